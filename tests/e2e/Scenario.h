#pragma once
// One end-to-end case of the launcher as data: what is laid out before the
// run, what the person at the screen answers, and what must follow. `Check`
// lays it out in a folder of its own, runs the real launcher under the bench,
// and checks everything the row says and that nothing else changed.

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace Scenario {

// Bytes that stand for something other than a file's content.
inline const std::string kRecorder = "<recorder>"; // the bench's recorder program
inline const std::string kFolder = "<folder>";
inline const std::string kGone = "<gone>"; // nothing at that path

// A path below the application folder ("..\\" climbs out of it), or on a
// server share ("\\\\SRVAPL\\Morvane_Client\\Fix\\A.dll"; "\\\\%HOST%\\..." on
// this machine's).
struct File {
    std::wstring sPath;
    std::string bytes;
};

using Values = std::vector<std::pair<std::wstring, std::wstring>>; // name, text

// A set-up step held for the whole run, on a path as a File gives it (for
// BinaryRegistry, the value's name).
enum class Fault {
    HoldOpen,       // opened by the bench without sharing
    ReadOnly,       // the read-only attribute
    Immutable,      // unwritable even for root (chattr +i)
    SmallDisk,      // the folder on a tmpfs with 1.4 MB free
    Vanish,         // the folder renamed away when the first copy's wait dialog goes
    Unregister,     // the version component unregistered
    BinaryRegistry, // the registry value of that name stored as REG_BINARY
    ServerHangs,    // the version component's server hangs inside the call
    ServerDies,     // its server's process ends inside the call
    ServerSlow,     // its server takes 5 s to start
    InProcess,      // the version component served in the launcher's process
    // The launcher's own start of the program at that path refused as one
    // that must run as administrator; and with DeclineElevation, the shell's
    // consent prompt for it answered No.
    RefuseElevation,
    DeclineElevation,
    // In the first launcher to copy the component of that name, the shell's
    // copy shows an error window first, left standing until a client has
    // started, then answered Retry.
    ShellWindow,
    SlowWrites, // every profile write of the launcher takes 300 ms longer
};

// A box of the launcher's, and the button pressed on it (0: No, or OK).
struct Box {
    std::wstring sTitle;
    std::wstring sText;                // "%APP%" stands for the application folder
    std::vector<int> buttons = {IDOK}; // the first is the default
    bool bIcon = false;
    int iAnswer = 0;
};

using Faults = std::vector<std::pair<Fault, std::wstring>>;

struct Case {
    const char* name;
    std::wstring sApp = L"app"; // the application folder below the case's folder
    std::wstring sArguments;
    // Laid out in order over an up-to-date installation of version 1.2 of
    // server SRVAPL: launcher, client, refresh tool, "Morvane.ini" with the
    // server and version alone, an empty "MorvaneVrs.ini", an empty "Fix"
    // folder on the share.
    std::vector<File> files;
    Values registry;                       // the first run's text values, in the build's view
    Values otherView;                      // and in the other build's registry view
    std::wstring sServer = L"VrsSis:1.2,"; // its version list; "!text": it fails with text
    Faults faults;

    std::vector<Box> boxes;            // any other window gets its first button
    std::vector<std::wstring> waits;   // "caption: text" of each wait dialog
    std::vector<std::wstring> started; // "path: command line" of each program, sorted
    std::vector<File> after;           // what changed: every other file stays as it was
    std::vector<std::wstring> log;     // the texts of the day's log; none: no log
    // Set: the run is unattended. It ends with this code, every program it
    // started itself has ended before it, and it creates no window at all.
    std::optional<DWORD> exitCode;
    std::vector<std::wstring> seen; // what the setup saw on screen while it ran
    // Not empty: the launcher runs once more, its server answering this list
    // ("!text" as above). Boxes, waits and programs go on across both runs;
    // `after` is what both leave.
    std::wstring sServerNextRun;
    int iTogether = 1; // launchers started at once, each of which must do all of the above
    // Of launchers together, all but the first have their first box answered
    // only once a client has started.
    bool bLaterAfterAClient = false;
};

inline void PrintTo(const Case& scenario, std::ostream* out) {
    *out << scenario.name;
}

void Check(const Case& scenario);

} // namespace Scenario
