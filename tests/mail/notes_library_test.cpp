// notes.dll against the fake Lotus Notes automation server (registered in this
// program's own Wine prefix): the whole call sequence, each failure with its result
// and log line, the log file, the ways to the Notes program and its start, and that
// every object the library got is released.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "notes/notes_rules.h"
#include "tests/mail/wine_support.h"

namespace {

using NotesSendMailFunction = int(__cdecl*)(const char*, const char*, const char*, unsigned int);

constexpr char kSessionClsid[] = "{5A0C3E1B-7D42-4F0A-9E61-3B8C2D4F5A01}";
constexpr char kWorkspaceClsid[] = "{5A0C3E1B-7D42-4F0A-9E61-3B8C2D4F5A02}";
constexpr char kMailto[] = "Software\\Clients\\Mail\\Lotus Notes\\Protocols\\mailto\\Shell\\Open\\Command";

NotesSendMailFunction Export() {
  static HMODULE library = LoadLibraryA((TestProgramFolder() + "notes.dll").c_str());
  return library ? reinterpret_cast<NotesSendMailFunction>(
                       reinterpret_cast<void*>(GetProcAddress(library, "NotesSendMail")))
                 : nullptr;
}

void RegisterFakeNotes() {
  const std::string server = TestProgramFolder() + "fake_notes_server.dll";
  for (const auto& [prog_id, clsid] : {std::pair{"Notes.NotesSession", kSessionClsid},
                                       std::pair{"Notes.NotesUIWorkspace", kWorkspaceClsid}}) {
    SetKeyText(HKEY_CLASSES_ROOT, (std::string(prog_id) + "\\CLSID").c_str(), nullptr, clsid);
    const std::string key = std::string("CLSID\\") + clsid + "\\InprocServer32";
    SetKeyText(HKEY_CLASSES_ROOT, key.c_str(), nullptr, server);
    SetKeyText(HKEY_CLASSES_ROOT, key.c_str(), "ThreadingModel", "Apartment");
  }
}

class NotesLibrary : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_NE(Export(), nullptr);
    RegisterFakeNotes();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Lotus");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail");
    SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Path", TestProgramFolder());
    SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Name", "fakenotes.exe");
    record_ = TestProgramFolder() + "notes_calls.txt";
    log_ = TestProgramFolder() + "QuillnoxLog.txt";
    marker_ = TestProgramFolder() + "fakenotes_started.txt";
    attachment_ = TestProgramFolder() + "file.vek";
    for (const std::string& file : {record_, log_, marker_}) DeleteFileA(file.c_str());
    WriteAll(attachment_, "container bytes");
    SetEnvironmentVariableA("QLX_FAKE_NOTES_LOG", record_.c_str());
    SetEnvironmentVariableA("QLX_FAKE_NOTES", "");
    SetCurrentDirectoryA(TestProgramFolder().c_str());
  }
  void TearDown() override { DeleteFileA(attachment_.c_str()); }

  int Send(const char* script, unsigned flags = 1, const char* body = "Hello") {
    SetEnvironmentVariableA("QLX_FAKE_NOTES", script);
    DeleteFileA(record_.c_str());
    return Export()(NOTES_SUBJECT, body, attachment_.c_str(), flags);
  }
  // The recorded dispatch calls, without the objects' births and ends.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const std::string& line : Lines(ReadAll(record_)))
      if (line[0] != '+' && line[0] != '-' && line != "<missing>") calls.push_back(line);
    return calls;
  }
  // Objects born and not ended, by name; empty when every object was released.
  std::string Unreleased() const {
    std::map<std::string, int> live;
    for (const std::string& line : Lines(ReadAll(record_))) {
      if (line[0] == '+') ++live[line.substr(1)];
      if (line[0] == '-') --live[line.substr(1)];
    }
    std::string left;
    for (const auto& [name, count] : live)
      if (count != 0) left += name + "=" + std::to_string(count) + " ";
    return left;
  }
  int Count(const std::string& call_suffix) const {
    int n = 0;
    for (const std::string& call : Calls())
      if (call.find(call_suffix) != std::string::npos) ++n;
    return n;
  }
  // The log's lines after its header (which is checked here).
  std::vector<std::string> LogBody(const std::string& path) const {
    const std::string text = ReadAll(path);
    static const std::regex header("Feldspire Quillnox Logfile --  20[0-9]{2}/[01][0-9]/[0-3][0-9]  "
                                   "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n\n");
    std::smatch match;
    if (!std::regex_search(text, match, header, std::regex_constants::match_continuous)) return {"<no header>"};
    EXPECT_EQ(text.find('\r'), std::string::npos);
    return Lines(text.substr(match.length()));
  }
  std::vector<std::string> LogBody() const { return LogBody(log_); }

  static constexpr char NOTES_SUBJECT[] = "Quillnox File";
  std::string record_, log_, marker_, attachment_;
};

struct MultithreadedCall {
  NotesLibrary* test;
  int result;
};

DWORD WINAPI MultithreadedSend(void* argument) {
  auto* call = static_cast<MultithreadedCall*>(argument);
  if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
    call->result = call->test->Send("");
    CoUninitialize();
  }
  return 0;
}

TEST_F(NotesLibrary, PreparesTheMemoCallByCall) {
  ASSERT_EQ(Send(""), NOTES_OK);
  const std::vector<std::string> expected = {
      "session#1 1200 get()",
      "session#1 1208 method(text:\"\",text:\"\")",
      "database#1 1033 method()",
      "database#1 1009 get()",
      "database#1 1046 method(text:\"($Drafts)\")",
      "database#1 1507 method()",
      "document#1 1148 get()",
      "document#1 1175 method(text:\"Form\",text:\"Memo\")",
      "document#1 1175 method(text:\"Subject\",text:\"Quillnox File\")",
      "session#1 1201 get()",
      "document#1 1175 method(text:\"From\",text:\"CN=Ann Tester/O=Orvanel\")",
      "document#1 1189 method(text:\"Body\")",
      "richtext#1 1359 method(text:\"Hello\\r\\n\\r\\n\")",
      "richtext#1 1361 method(short:1454,text:\"\",text:\"" + attachment_ + "\",text:\"\")",
      "document#1 1172 method(short:1,short:0,short:0)",
      "database#1 1501 get()",
      "database#1 1006 get()",
      "workspace#1 1535 method(text:\"CN=Mail01/O=Orvanel\",text:\"mail\\atester.nsf\",text:\"($Drafts)\","
      "text:\"0123456789ABCDEF0123456789ABCDEF\",short:0,short:1)",
      "workspace#1 1531 method(short:1,object:document#1,short:0)",
      "uidoc#1 1764 method(text:\"SendTo\")",
  };
  EXPECT_EQ(Calls(), expected);
  EXPECT_EQ(Unreleased(), "");
  // The body item goes before the save; the workspace is made right after the version test.
  const std::vector<std::string> all = Lines(ReadAll(record_));
  const auto at = [&](const std::string& line) { return std::find(all.begin(), all.end(), line) - all.begin(); };
  EXPECT_LT(at("-richtext#1"), at("document#1 1172 method(short:1,short:0,short:0)"));
  EXPECT_LT(at("+workspace#1"), at("session#1 1208 method(text:\"\",text:\"\")"));
  EXPECT_GT(at("+workspace#1"), at("session#1 1200 get()"));

  EXPECT_EQ(LogBody(), std::vector<std::string>{"Notessendmail terminated without Error"});
  // Notes was started in its own folder.
  for (int i = 0; i < 100 && !Exists(marker_); ++i) Sleep(50);
  EXPECT_EQ(ReadAll(marker_) + "\\", TestProgramFolder());
}

TEST_F(NotesLibrary, ResultsAndLogLines) {
  const struct {
    const char* script;
    unsigned flags;
    int result;
    const char* log;        // last log line; nullptr: no log file at all
    const char* last_call;  // how the last recorded call begins ("" none)
    int openmails;          // OPENMAIL calls, -1 not checked
  } cases[] = {
      {"version=4.5.7", 1, NOTES_NO_SESSION, "Bad NotesVersion", "session#1 1200 get()", 0},
      {"version=Lotus Notes", 1, NOTES_NO_SESSION, "Bad NotesVersion", "session#1 1200 get()", 0},
      {"version=Release 10.0.1 FP3", 1, NOTES_OK, "Notessendmail terminated without Error", "uidoc#1 1764", 1},
      {"version=5.0.8 Release", 1, NOTES_OK, "Notessendmail terminated without Error", "uidoc#1 1764", 1},
      {"session=fail", 1, NOTES_NO_SESSION, "Create Session failed", "", 0},
      {"workspace=fail", 1, NOTES_NO_WORKSPACE, "Create Workspace failed", "session#1 1200 get()", 0},
      {"open_after=2", 1, NOTES_OK, "Notessendmail terminated without Error", "uidoc#1 1764", 2},
      {"open_after=0", 1, NOTES_NO_MAILDB, "Open Maildatabase (OPENMAIL) Failed", "database#1 1009 get()", 2},
      {"drafts=missing", 1, NOTES_NO_DRAFTS, "GetView $Drafts Failed", "database#1 1046 method", 1},
      {"embed=raise", 1, NOTES_EMBED_FAILED,
       "Embeddobject created a Dispatch exception fa5 File cannot be read  Source: NotesRichTextItem",
       "richtext#1 1361 method", 1},
      {"embed=fail", 1, NOTES_EMBED_FAILED, "Embeddobject created an exception", "richtext#1 1361 method", 1},
      {"opendb=raise", 1, NOTES_OPENDB_FAILED,
       "OPENDATABASE created a Dispatch exception fdc Database has not been opened yet  Source: NotesUIWorkspace",
       "workspace#1 1535 method", 1},
      {"opendb=fail", 1, NOTES_OPENDB_FAILED, "OPENDATABASE created an exception", "workspace#1 1535 method", 1},
      {"edit=raise", 1, NOTES_EDIT_FAILED,
       "EDITDOCUMENT created a Dispatch exception 113c Document command is not available  Source: NotesUIWorkspace",
       "workspace#1 1531 method", 1},
      {"gotofield=raise", 1, NOTES_EDIT_FAILED,
       "EDITDOCUMENT created a Dispatch exception 1107 Cannot locate field  Source: NotesUIDocument",
       "uidoc#1 1764 method", 1},
      {"", 0, NOTES_OK, nullptr, "uidoc#1 1764", 1},
      {"embed=raise", 0, NOTES_EMBED_FAILED, nullptr, "richtext#1 1361 method", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.script) + " flags=" + std::to_string(c.flags));
    DeleteFileA(log_.c_str());
    EXPECT_EQ(Send(c.script, c.flags), c.result);
    if (c.log == nullptr) {
      EXPECT_FALSE(Exists(log_));
    } else {
      const std::vector<std::string> log = LogBody();
      ASSERT_FALSE(log.empty());
      EXPECT_EQ(log.back(), c.log);
    }
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(calls.empty() ? std::string() : calls.back().substr(0, std::string(c.last_call).size()), c.last_call);
    if (c.openmails >= 0) {
      EXPECT_EQ(Count(" 1033 method()"), c.openmails);
    }
    EXPECT_EQ(Unreleased(), "");
  }
}

TEST_F(NotesLibrary, SenderTagsAreWrittenInTableOrder) {
  ASSERT_EQ(Send("", 1 | 0x20 | 0x2000), NOTES_OK);
  std::vector<std::string> items;
  for (const std::string& call : Calls())
    if (call.find(" 1175 method(") != std::string::npos) items.push_back(call.substr(call.find('(')));
  EXPECT_EQ(items, (std::vector<std::string>{"(text:\"Form\",text:\"Memo\")", "(text:\"Subject\",text:\"Quillnox File\")",
                                             "(text:\"From\",text:\"CN=Ann Tester/O=Orvanel\")",
                                             "(text:\"SenderTag\",text:\"C\")", "(text:\"SenderTag\",text:\"R\")"}));
}

TEST_F(NotesLibrary, NullBodyGivesTheTwoLineBreaksAlone) {
  ASSERT_EQ(Send("", 1, nullptr), NOTES_OK);
  EXPECT_EQ(Count("richtext#1 1359 method(text:\"\\r\\n\\r\\n\")"), 1);
}

TEST_F(NotesLibrary, MissingAttachmentEndsBeforeAnyObject) {
  DeleteFileA(attachment_.c_str());
  EXPECT_EQ(Send(""), NOTES_NO_ATTACHMENT);
  EXPECT_FALSE(Exists(record_));  // no object was made, no call recorded
  EXPECT_EQ(LogBody(), std::vector<std::string>{"File for attachment does not exist : " + attachment_});
}

// A thread whose automation layer runs in the other threading model cannot have it
// initialised again: result 1 before any object.
TEST_F(NotesLibrary, AutomationLayerThatCannotBeInitialised) {
  MultithreadedCall call{this, -1};
  HANDLE thread = CreateThread(nullptr, 0, MultithreadedSend, &call, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, 30000);
  CloseHandle(thread);
  EXPECT_EQ(call.result, NOTES_NO_AUTOMATION);
  EXPECT_FALSE(Exists(record_));
  EXPECT_EQ(LogBody(), std::vector<std::string>{"CoInitialize Failed"});
}

TEST_F(NotesLibrary, EachLoggedCallStartsTheLogAfresh) {
  ASSERT_EQ(Send(""), NOTES_OK);
  ASSERT_EQ(Send("drafts=missing"), NOTES_NO_DRAFTS);
  EXPECT_EQ(LogBody(), std::vector<std::string>{"GetView $Drafts Failed"});
}

TEST_F(NotesLibrary, FailedStartOfNotesIsOnlyLogged) {
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Notes\\6.5", "Name", "missing.exe");
  ASSERT_EQ(Send(""), NOTES_OK);
  EXPECT_EQ(LogBody(), (std::vector<std::string>{
                           "ShowNotes ShellExecute Error :  The specified file was not found.",
                           "ShowNotes Notes ExePath =" + TestProgramFolder() + "missing.exe  Path=" + TestProgramFolder(),
                           "Notessendmail terminated without Error"}));
}

TEST_F(NotesLibrary, ProgramPathThroughTeamMail) {
  const std::string sub = TestProgramFolder() + "teammail\\";
  CreateDirectoryA(sub.c_str(), nullptr);
  DeleteFileA((sub + "QuillnoxLog.txt").c_str());
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Components\\TeamMail", "KeyPath", "Software\\Lotus\\Custom");
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Custom", "Path", sub);
  SetKeyText(HKEY_LOCAL_MACHINE, "Software\\Lotus\\Custom", "Name", "fakenotes.exe");
  ASSERT_EQ(Send(""), NOTES_OK);
  EXPECT_FALSE(Exists(log_));
  const std::vector<std::string> log = LogBody(sub + "QuillnoxLog.txt");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Notessendmail terminated without Error");
}

// The first way takes a version subkey of at most 6 characters; with a longer one the
// program path is not found and the log goes to the current folder.
TEST_F(NotesLibrary, LotusKeyWayTakesSixCharacterVersions) {
  const std::string here = TestProgramFolder() + "current\\";
  CreateDirectoryA(here.c_str(), nullptr);
  SetCurrentDirectoryA(here.c_str());
  const struct {
    const char* subkey;
    bool beside_notes;
  } cases[] = {{"6.5.4a", true}, {"6.5.4FP", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subkey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Lotus");
    const std::string key = std::string("Software\\Lotus\\Notes\\") + c.subkey;
    SetKeyText(HKEY_LOCAL_MACHINE, key.c_str(), "Path", TestProgramFolder());
    SetKeyText(HKEY_LOCAL_MACHINE, key.c_str(), "Name", "fakenotes.exe");
    DeleteFileA(log_.c_str());
    DeleteFileA((here + "QuillnoxLog.txt").c_str());
    ASSERT_EQ(Send(""), NOTES_OK);
    EXPECT_EQ(Exists(log_), c.beside_notes);
    EXPECT_EQ(Exists(here + "QuillnoxLog.txt"), !c.beside_notes);
  }
}

TEST_F(NotesLibrary, ProgramPathThroughTheMailtoCommand) {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Lotus");
  SetKeyText(HKEY_LOCAL_MACHINE, kMailto, nullptr, TestProgramFolder() + "fakenotes.exe %1");
  ASSERT_EQ(Send(""), NOTES_OK);
  EXPECT_EQ(LogBody(), std::vector<std::string>{"Notessendmail terminated without Error"});
  for (int i = 0; i < 100 && !Exists(marker_); ++i) Sleep(50);
  EXPECT_TRUE(Exists(marker_));

  // The same command without "%1" is used whole.
  DeleteFileA(marker_.c_str());
  SetKeyText(HKEY_LOCAL_MACHINE, kMailto, nullptr, TestProgramFolder() + "fakenotes.exe");
  ASSERT_EQ(Send(""), NOTES_OK);
  EXPECT_EQ(LogBody(), std::vector<std::string>{"Notessendmail terminated without Error"});
}

TEST_F(NotesLibrary, WithoutAnyProgramPathTheLogIsInTheCurrentFolder) {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Lotus");
  const std::string here = TestProgramFolder() + "current\\";
  CreateDirectoryA(here.c_str(), nullptr);
  SetCurrentDirectoryA(here.c_str());
  const struct {
    bool key;
    const char* line;
  } cases[] = {{false, "Cannot open mailto key for Notes in Registry"},
               {true, "Cannot get exe path for Notes in Registry"}};
  for (const auto& c : cases) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail");
    if (c.key) CreateKey(HKEY_LOCAL_MACHINE, kMailto);
    DeleteFileA((here + "QuillnoxLog.txt").c_str());
    ASSERT_EQ(Send(""), NOTES_OK);
    const std::vector<std::string> log = LogBody(here + "QuillnoxLog.txt");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], c.line);  // while bringing Notes forward
    EXPECT_EQ(log[1].rfind("ShowNotes ShellExecute Error : ", 0), 0u) << log[1];
    EXPECT_EQ(log[2], "ShowNotes Notes ExePath =  Path=");
    EXPECT_EQ(log[3], "Notessendmail terminated without Error");
  }
  EXPECT_FALSE(Exists(log_));
}

}  // namespace
