// The shipped programs and libraries copied from the test's bin folder into a folder of the test's
// own: a run of Kestrix leaves its session log, capture file and Kestrix.ini beside the program,
// so a test that looks for them finds its own run's and nothing an earlier run left behind.
#pragma once

#include <string>

namespace test_support {

class ProgramFolder {
public:
    // <temp>\<prefix>_<n>_<process id>_<running test's name>, empty but for the copies.
    explicit ProgramFolder(const std::string& prefix);
    // Removes the folder with everything the runs left in it.
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // False when a deliverable could not be copied.
    bool Ready() const { return m_ready; }

private:
    std::string m_path;
    bool m_ready = false;
};

}  // namespace test_support
