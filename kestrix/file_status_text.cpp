// Size and date of a history row's file.
#include "file_status_text.h"

#include <ctime>

FileStatusText ReadFileStatusText(const char* path)
{
    FileStatusText texts{"0", ""};
    WIN32_FILE_ATTRIBUTE_DATA status = {};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &status))
        return texts;
    texts.size.Format("%ld", static_cast<long>(status.nFileSizeLow));
    FILETIME local;
    SYSTEMTIME when;
    if (FileTimeToLocalFileTime(&status.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &when)) {
        std::tm t = {};
        t.tm_year = when.wYear - 1900;
        t.tm_mon = when.wMonth - 1;
        t.tm_mday = when.wDay;
        char text[64] = {};
        std::strftime(text, sizeof text, "%B %d, %Y", &t);
        texts.date = text;
    }
    return texts;
}
