// Mail dispatch, the Windows part: loading Simple MAPI and the Notes library, and
// handing the attachment to either (see mail.h).
#include <windows.h>
#include <mapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/send/mail.h"
#include "platform/paths.h"

namespace {

// "MAPI32.DLL" and its functions, resolved in this order; all must exist. Only
// MAPILogon and MAPISendMail are called.
HMODULE g_mapi = nullptr;
LHANDLE g_mapi_session = 0;
const char* const kMapiFunctions[] = {"MAPILogon",     "MAPILogoff",     "MAPISendMail", "MAPISendDocuments",
                                      "MAPIFindNext",  "MAPIReadMail",   "MAPISaveMail", "MAPIDeleteMail",
                                      "MAPIFreeBuffer", "MAPIAddress",   "MAPIDetails",  "MAPIResolveName"};
FARPROC g_mapi_proc[sizeof kMapiFunctions / sizeof kMapiFunctions[0]] = {};

LPMAPILOGON MapiLogon() { return reinterpret_cast<LPMAPILOGON>(reinterpret_cast<void*>(g_mapi_proc[0])); }
LPMAPISENDMAIL MapiSendMail() {
  return reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(g_mapi_proc[2]));
}

// The Notes library stays loaded for the rest of the process.
HMODULE g_notes = nullptr;
using NotesSendMailFunction = int(__cdecl*)(const char* subject, const char* body, const char* attachment,
                                            unsigned int flags);

// A library loaded without the system's box for a missing file.
HMODULE LoadQuietly(const char* name) {
  const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name);
  SetErrorMode(previous);
  return module;
}

// The program's own folder with its trailing "\"; "" when it cannot be found.
void ProgramFolder(char* folder) {
  folder[0] = '\0';
  char path[MAIL_PATH_SIZE];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  const std::size_t cut = static_cast<std::size_t>(PathFileName(path) - path);
  std::memcpy(folder, path, cut);
  folder[cut] = '\0';
}

void UnableToLoad(WindowHandle owner, const char* library, bool error) {
  char text[64];
  std::snprintf(text, sizeof text, "Unable to load %s", library);
  if (error) {
    ErrorBox(owner, text);
  } else {
    WarningBox(owner, text);
  }
}

int SendThroughMapi(WindowHandle owner, const char* attachment, bool self_extracting) {
  if (!MapiLoad()) {  // the default client may have changed since MailInit
    MapiUnavailableMessage(owner);
    return 0;
  }
  const ULONG_PTR parent = reinterpret_cast<ULONG_PTR>(owner);
  if (MapiLogon()(parent, nullptr, nullptr, MAPI_LOGON_UI | MAPI_NEW_SESSION, 0, &g_mapi_session) !=
      SUCCESS_SUCCESS) {
    WarningBox(owner, "MAPILogon failed");
    return 0;
  }
  std::vector<char> body = MailMapiBody(self_extracting);
  char path[MAIL_PATH_SIZE];
  std::snprintf(path, sizeof path, "%s", attachment);
  char subject[sizeof MAIL_SUBJECT];
  std::memcpy(subject, MAIL_SUBJECT, sizeof subject);

  MapiFileDesc file{};
  file.nPosition = static_cast<ULONG>(-1);  // not placed in the body text
  file.lpszPathName = path;
  file.lpszFileName = const_cast<char*>(PathFileName(path));
  MapiMessage message{};
  message.lpszSubject = subject;
  message.lpszNoteText = body.empty() ? nullptr : body.data();
  message.nFileCount = 1;
  message.lpFiles = &file;
  MapiSendMail()(g_mapi_session, parent, &message, MAPI_DIALOG, 0);  // the client reports its own errors
  return 1;
}

}  // namespace

int MailInit() {
  g_mapi = nullptr;  // an earlier handle is forgotten, not freed
  std::memset(g_mapi_proc, 0, sizeof g_mapi_proc);
  if (DefaultClientIsNotes()) return 1;
  return MapiLoad();
}

int MapiLoad() {
  // A library kept from an earlier load counts only when it was complete.
  if (g_mapi != nullptr) return g_mapi_proc[0] != nullptr ? 1 : 0;
  g_mapi = LoadQuietly(MAPI_LIBRARY);
  if (g_mapi == nullptr) return 0;
  for (std::size_t i = 0; i < sizeof kMapiFunctions / sizeof kMapiFunctions[0]; ++i) {
    g_mapi_proc[i] = GetProcAddress(g_mapi, kMapiFunctions[i]);
    if (g_mapi_proc[i] == nullptr) {  // the library stays loaded
      std::memset(g_mapi_proc, 0, sizeof g_mapi_proc);
      return 0;
    }
  }
  return 1;
}

void MapiUnavailableMessage(WindowHandle owner) { UnableToLoad(owner, MAPI_LIBRARY, true); }

void MapiUnload() {
  if (g_mapi != nullptr) FreeLibrary(g_mapi);
  g_mapi = nullptr;
  std::memset(g_mapi_proc, 0, sizeof g_mapi_proc);
}

int NotesSend(WindowHandle owner, const char* attachment, bool self_extracting) {
  char folder[MAIL_PATH_SIZE];
  ProgramFolder(folder);
  if (g_notes == nullptr) {
    char path[MAIL_PATH_SIZE];
    const int length = std::snprintf(path, sizeof path, "%s%s", folder, NOTES_LIBRARY);
    if (folder[0] != '\0' && length > 0 && static_cast<std::size_t>(length) < sizeof path) {
      g_notes = LoadQuietly(path);
    }
  }
  const auto send = g_notes ? reinterpret_cast<NotesSendMailFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(g_notes, "NotesSendMail")))
                            : nullptr;
  if (send == nullptr) {
    UnableToLoad(owner, NOTES_LIBRARY, false);
    return 0;
  }
  std::vector<char> body;
  if (!self_extracting && PathFileExistsA((std::string(folder) + MAIL_BODY_FILE).c_str())) {
    body = MailNotesBody(folder, self_extracting);
  }
  const int result = send(MAIL_SUBJECT, body.empty() ? nullptr : body.data(), attachment, 1);
  if (result == 0) return 1;
  char text[64];
  std::snprintf(text, sizeof text, "Quillnox Notes.dll error.\nerr=%d", result);
  WarningBox(owner, text);
  return 0;
}

int SendMail(WindowHandle owner, const char* attachment, bool self_extracting) {
  if (attachment == nullptr) return 0;
  if (DefaultClientIsNotes()) {
    char path[MAIL_PATH_SIZE] = {};
    if (!LotusQueryValue("Path", path)) {
      WarningBox(owner, "Cannot get Lotus Path");
      return 0;
    }
    return NotesSend(owner, attachment, self_extracting);
  }
  return SendThroughMapi(owner, attachment, self_extracting);
}
