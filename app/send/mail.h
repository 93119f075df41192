// Mail dispatch: hands one finished attachment to the user's mail program. Lotus Notes,
// when it is the system's default mail client, through NotesSendMail of "notes.dll"
// in the program's own folder; any other client through Simple MAPI ("MAPI32.DLL",
// loaded by name at run time) and its compose window.
//
// The caller (the send command) runs MailInit, then SendMail with the attachment's
// path, and deletes the attachment afterwards; when MailInit gives 0 it shows
// MapiUnavailableMessage. The main window calls MapiUnload when it closes.
//
// MailInit, SendMail, MapiLoad, NotesSend and MapiUnload are Windows code
// (mail_win32.cpp); the registry lookups and the mail contents are plain code on every
// platform (mail.cpp).
#pragma once

#include <cstddef>
#include <vector>

#include "platform/msgbox.h"

constexpr char MAIL_SUBJECT[] = "Quillnox File";
constexpr char MAIL_BODY_FILE[] = "mail.txt";
constexpr char MAPI_LIBRARY[] = "MAPI32.DLL";
constexpr char NOTES_LIBRARY[] = "notes.dll";
// "mail.txt" files larger than this count as missing.
constexpr std::size_t MAIL_BODY_LIMIT = 64 * 1024;
// Paths and registry texts live in buffers of this size.
constexpr std::size_t MAIL_PATH_SIZE = 260;

// 1 when a mail system is ready, 0 when Simple MAPI is needed and could not be loaded.
int MailInit();
// 1 when the mail client took the message (or at least was called), 0 after an error
// message. self_extracting: the attachment is a self-extracting package (the main
// window's toggle), which goes without a body by either route.
int SendMail(WindowHandle owner, const char* attachment, bool self_extracting);
// Error box "Unable to load MAPI32.DLL".
void MapiUnavailableMessage(WindowHandle owner);
// Frees "MAPI32.DLL" when it is loaded.
void MapiUnload();

// 1 when the default mail client (HKLM "software\Clients\Mail", default value) is
// "Lotus Notes", in any case.
int DefaultClientIsNotes();
// Loads "MAPI32.DLL" (once) and resolves its twelve functions; 0 when it is missing or
// one function is.
int MapiLoad();
// Runs NotesSendMail of "notes.dll" from the program's own folder.
int NotesSend(WindowHandle owner, const char* attachment, bool self_extracting);

// The path of the Lotus key under HKLM into key_path (MAIL_PATH_SIZE bytes): the
// TeamMail "KeyPath", else "Software\Lotus\Notes\" + its first subkey (at most 7
// characters). 0 after the registry error box.
int LotusKeyPath(char* key_path);
// A text value of the Lotus key (at most 259 bytes) into out (MAIL_PATH_SIZE bytes).
// 0 after the registry error box.
int LotusQueryValue(const char* name, char* out);

// The built-in body: the notice that names the vendor's web site.
const char* MailBuiltinNotice();

// Reads folder + "mail.txt" whole into body, NUL-terminated. 0 (body empty) when the
// file is missing, cannot be read whole, or is larger than MAIL_BODY_LIMIT.
int MailReadBodyFile(const char* folder, std::vector<char>* body);

// The body of each route; empty means no body. Simple MAPI: "mail.txt" of the
// installation folder, else the built-in notice. Notes: "mail.txt" of the program's
// folder, else none. Neither has a body for a self-extracting package.
std::vector<char> MailMapiBody(bool self_extracting);
std::vector<char> MailNotesBody(const char* program_folder, bool self_extracting);
