// Where help is shown: the WinHelp viewer with "Quillnox.hlp", or, where Windows has
// no WinHelp viewer, the same topics as the page "Quillnox.htm" beside the program,
// opened in the user's browser at the topic's anchor ("#ctxN"). Plain decisions,
// apart from the machine.
#pragma once

#include <cstddef>

enum class HelpRoute { WinHelp, HtmlPage };

// windows_major: the real major version of Windows (RtlGetVersion, which does not
// shrink it to 6 for programs without a compatibility manifest). viewer_present:
// "winhlp32.exe" exists in the Windows folder or the system folder. Windows 10 and
// later have no WinHelp viewer at all (what is left there is Microsoft's notice), and
// on the systems before, a viewer that was removed or never installed leaves the page.
HelpRoute ChooseHelpRoute(unsigned windows_major, bool viewer_present);

// The page beside the program: module_path's folder + "Quillnox.htm". false (out
// emptied) when it does not fit.
bool HelpPagePath(const char* module_path, char* out, std::size_t size);

// The page as a "file:///" address with the topic's anchor ("#ctx8"; none for topic
// -1, the contents at the top of the page): backslashes become slashes, and every
// byte that an address cannot hold as it is (blanks, "#", "%", non-ASCII) is written
// as "%XX". false (out emptied) when it does not fit.
bool HelpPageAddress(const char* page_path, int topic, char* out, std::size_t size);

// The command that opens address with the program registered for ".htm": the
// registered command (from the association) with its "%1" or "%L" replaced by address,
// or address appended after a blank when it has neither. false (out emptied) when it
// does not fit or the command is empty.
bool BrowserCommand(const char* registered, const char* address, char* out, std::size_t size);
