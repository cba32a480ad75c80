// The text of the session log (an HTML file): header, footer, entry lines and the escaping
// that keeps logged text from being read as markup.
#pragma once
#include <string>
#include <string_view>

#include "log_clock.h"

// "<html>...<h1>Kestrix V4.1.4.63 Log File, pid = %X</h1>\r\n"
std::string LogHeader(unsigned processId);

// "</pre>\r\n</body>\r\n</html>\r\n"
std::string_view LogFooter();

// "Time = dd/mm/yyyy hh:mm:ss:mmm (+hh:mm:ss:mmm) : text" (text unescaped).
std::string LogTimeLine(const LogTime& now, const LogTime& sincePrevious, std::string_view text);

// Appends text with '<', '>' and '&' as entities, wrapped in <hN>...</hN> for level 1-4
// (any other level appends it bare).
void AppendLogText(std::string& out, std::string_view text, int level);
