// Session log text: header, footer, time lines and HTML escaping.
#include "log_entry.h"

#include "append_format.h"

std::string LogHeader(unsigned processId)
{
    std::string s;
    AppendFormat(s, "<html>\r\n<body>\r\n<pre>\r\n<h1>Kestrix V%d.%d.%d.%d Log File, pid = %X</h1>\r\n", 4, 1, 4, 63,
                 processId);
    return s;
}

std::string_view LogFooter() { return "</pre>\r\n</body>\r\n</html>\r\n"; }

std::string LogTimeLine(const LogTime& now, const LogTime& since, std::string_view text)
{
    std::string s;
    AppendFormat(s, "Time = %02d/%02d/%04d %02d:%02d:%02d:%03d (+%02d:%02d:%02d:%03d) : ", now.day, now.month,
                 now.year, now.hour, now.minute, now.second, now.millisecond, since.hour, since.minute, since.second,
                 since.millisecond);
    s.append(text);   // appended as it stands: AppendFormat would cut a long text
    return s;
}

void AppendLogText(std::string& out, std::string_view text, int level)
{
    bool wrap = level >= 1 && level <= 4;
    if (wrap) {
        out += "<h";
        out += static_cast<char>('0' + level);
        out += '>';
    }
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    if (wrap) {
        out += "</h";
        out += static_cast<char>('0' + level);
        out += '>';
    }
}
