// The decisions of the Notes mail library that need no automation: the result codes,
// the dispatch numbers of the Notes objects, the log file's texts, the version test,
// the sender tags and the composition of the Notes program path. Plain functions,
// built on every platform so the tests can call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Results of NotesSendMail.
constexpr int NOTES_OK = 0;
constexpr int NOTES_NO_AUTOMATION = 1;   // CoInitialize failed
constexpr int NOTES_NO_SESSION = 2;      // no session object, or a version below 4.6.0
constexpr int NOTES_NO_WORKSPACE = 3;
constexpr int NOTES_NO_MAILDB = 4;       // the mail database did not open
constexpr int NOTES_EMBED_FAILED = 5;
constexpr int NOTES_OPENDB_FAILED = 6;
constexpr int NOTES_EDIT_FAILED = 7;
constexpr int NOTES_NO_DRAFTS = 8;
constexpr int NOTES_NO_ATTACHMENT = 9;
constexpr int NOTES_CALL_FAILED = 10;    // one of the calls no other code covers failed

// Flags of NotesSendMail.
constexpr std::uint32_t NOTES_FLAG_LOG = 0x1;

// Dispatch numbers, by object.
namespace notes_dispid {
// session
constexpr long SESSION_VERSION = 1200;    // property, text
constexpr long SESSION_USERNAME = 1201;   // property, text
constexpr long SESSION_GETDATABASE = 1208;  // method (text, text) -> database
// database
constexpr long DB_OPENMAIL = 1033;        // method
constexpr long DB_ISOPEN = 1009;          // property, boolean
constexpr long DB_GETVIEW = 1046;         // method (text) -> view
constexpr long DB_CREATEDOCUMENT = 1507;  // method -> document
constexpr long DB_SERVER = 1501;          // property, text
constexpr long DB_FILEPATH = 1006;        // property, text
// document
constexpr long DOC_UNIVERSALID = 1148;    // property, text
constexpr long DOC_REPLACEITEM = 1175;    // method (text, variant)
constexpr long DOC_CREATERICHTEXT = 1189; // method (text) -> body item
constexpr long DOC_SAVE = 1172;           // method (short, short, variant)
// body item
constexpr long ITEM_APPENDTEXT = 1359;    // method (text)
constexpr long ITEM_EMBEDOBJECT = 1361;   // method (short, text, text, variant)
// workspace
constexpr long WS_OPENDATABASE = 1535;    // method (six variants)
constexpr long WS_EDITDOCUMENT = 1531;    // method (three variants) -> editing document
// editing document
constexpr long UIDOC_GOTOFIELD = 1764;    // method (variant)
}  // namespace notes_dispid

// The first argument of the embedding call (an attachment, not an object link).
constexpr short NOTES_EMBED_ATTACHMENT = 1454;

constexpr char NOTES_SESSION_CLASS[] = "Notes.NotesSession";
constexpr char NOTES_WORKSPACE_CLASS[] = "Notes.NotesUIWorkspace";
constexpr char NOTES_DRAFTS_VIEW[] = "($Drafts)";
constexpr char NOTES_LOG_NAME[] = "QuillnoxLog.txt";

// Log lines (each written with one line feed behind it).
constexpr char NOTES_LOG_DONE[] = "Notessendmail terminated without Error";
constexpr char NOTES_LOG_COINIT[] = "CoInitialize Failed";
constexpr char NOTES_LOG_SESSION[] = "Create Session failed";
constexpr char NOTES_LOG_VERSION[] = "Bad NotesVersion";
constexpr char NOTES_LOG_WORKSPACE[] = "Create Workspace failed";
constexpr char NOTES_LOG_OPENMAIL[] = "Open Maildatabase (OPENMAIL) Failed";
constexpr char NOTES_LOG_DRAFTS[] = "GetView $Drafts Failed";
constexpr char NOTES_LOG_NO_FILE[] = "File for attachment does not exist : ";
constexpr char NOTES_LOG_NO_MAILTO_KEY[] = "Cannot open mailto key for Notes in Registry";
constexpr char NOTES_LOG_NO_EXE_PATH[] = "Cannot get exe path for Notes in Registry";

// The header line of a new log: "Feldspire Quillnox Logfile --  YYYY/MM/DD  hh:mm:ss"
// and an empty line.
std::string NotesLogHeader(int year, int month, int day, int hour, int minute, int second);

// "<step> created a Dispatch exception <code in hex> <description>  Source: <source>"
// for the automation error that a step (Embeddobject, OPENDATABASE, EDITDOCUMENT)
// met; "<step> created an exception" when the server gave no exception details.
std::string NotesExceptionLine(const char* step, unsigned code, const char* description, const char* source);
std::string NotesPlainExceptionLine(const char* step);

// The line for a call that no result code of its own covers.
std::string NotesCallFailedLine(long dispid, unsigned long hresult);

// The line for a failed shell start of Notes (result 32 or less).
std::string NotesShellErrorLine(long result);
std::string NotesShowPathLine(const char* exe_path, const char* folder);

// The version token of a Notes version text: from the first digit or point up to the
// next space (or the end). Empty when the text has no digit or point.
std::string NotesVersionToken(const char* version);

// 1 when the version text names 4.6.0 or later. The token's dotted numbers are
// compared numerically, missing parts counting as 0 ("10.0" passes, "4.5.7" does
// not); a text without a token fails.
int NotesVersionAcceptable(const char* version);

// The "SenderTag" letters that flags asks for, in the order they are written (bits 5
// to 13, lowest first); the last one written is the one that stays.
std::string NotesSenderTags(std::uint32_t flags);

// The program path of the first registry way: the "Path" value directly followed by
// the "Name" value. 0 (out "") when the two do not fit in size bytes.
int NotesComposeProgramPath(const char* path, const char* name, char* out, std::size_t size);

// The program path of the second way: the mailto command cut at the character in front
// of its "%1". A command without "%1" is used whole. 0 (out "") when it does not fit.
int NotesMailtoProgramPath(const char* command, char* out, std::size_t size);

// Drive and folder of a program path, with the trailing "\" ("" when it has none).
std::string NotesProgramFolder(const char* program_path);

// Where the log goes: the program's folder + "QuillnoxLog.txt", or the name alone.
std::string NotesLogPath(const char* program_path);
