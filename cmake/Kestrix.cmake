# Helpers shared by every folder's CMakeLists.txt.
include(GoogleTest)

set(KX_HOST_TREE "" CACHE PATH "Host build tree whose tests and tools the Windows tree uses")

if(KX_WINDOWS)
    # ANSI Win32 API, Windows 7 headers (the program still checks what the running system offers).
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX STRICT)
    add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
else()
    add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

# ASan + UBSan for host-tree code and its tests.
function(kx_sanitize target)
    if(NOT KX_WINDOWS)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined -g)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A static library of code with no Windows header: built in both trees.
function(kx_portable_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    kx_sanitize(${name})
endfunction()

# A DLL exported by plain names through its .def file; the import library keeps the same name.
function(kx_dll name def)
    add_library(${name} SHARED ${ARGN} ${def})
    set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
                          LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
endfunction()

# A GoogleTest executable; every test in it becomes a ctest test (run under Wine in the Windows tree).
#   kx_test(name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS win|host|gui|e2e] [ENV K=V ...])
function(kx_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} kx_gtest_main GTest::gmock)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    kx_sanitize(${name})
    if(NOT T_LABELS)
        if(KX_WINDOWS)
            set(T_LABELS win)
        else()
            set(T_LABELS host)
        endif()
    endif()
    gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_PREFIX "${name}." TEST_LIST _tests
                    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    if(_tests)
        # 77: a test skipped (tests/support/test_main.cpp), which fails the run under CI.
        set_tests_properties(${_tests} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300 SKIP_RETURN_CODE 77)
        if(T_ENV)
            set_tests_properties(${_tests} PROPERTIES ENVIRONMENT "${T_ENV}")
        endif()
        if("gui" IN_LIST T_LABELS OR "e2e" IN_LIST T_LABELS)
            # One dialog at a time on the shared display; wine server state is per prefix.
            set_tests_properties(${_tests} PROPERTIES RESOURCE_LOCK display)
        endif()
    endif()
endfunction()

# A libFuzzer target (host tree, clang only) run as a ctest test for a bounded number of inputs.
# The code under test goes into SOURCES again, so that libFuzzer sees its coverage. SEEDS are
# input files it starts from (read only: nothing is written beside them).
#   kx_fuzz_test(name SOURCES a.cpp b.cpp [LIBS ...] [INCLUDES ...] RUNS n MAX_LEN n DICT file.dict
#                [SEEDS file ...])
function(kx_fuzz_test name)
    if(KX_WINDOWS OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        return()
    endif()
    cmake_parse_arguments(F "" "RUNS;MAX_LEN;DICT" "SOURCES;LIBS;INCLUDES;SEEDS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    if(F_LIBS)
        target_link_libraries(${name} PRIVATE ${F_LIBS})
    endif()
    if(F_INCLUDES)
        target_include_directories(${name} PRIVATE ${F_INCLUDES})
    endif()
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined
                           -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(_seeds)
    if(F_SEEDS)
        list(JOIN F_SEEDS "," _list)
        set(_seeds -seed_inputs=${_list})
    endif()
    add_test(NAME ${name} COMMAND ${name} -runs=${F_RUNS} -seed=1 -max_len=${F_MAX_LEN} -dict=${F_DICT} ${_seeds})
    set_tests_properties(${name} PROPERTIES LABELS host TIMEOUT 120)
endfunction()
