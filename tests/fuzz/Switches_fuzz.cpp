// The command-line readers over any command line: the input is the process
// command line, as GetCommandLineW gives it.

#include "FuzzInput.h"
#include "KV_ZudIviParts.h"

using namespace KV_ZudIviMain;
constexpr auto npos = std::wstring::npos;

void FuzzText(const std::wstring& commandLine) {
    const std::wstring arguments = ArgumentsOf(commandLine);
    FUZZ_CHECK(commandLine.ends_with(arguments));
    FUZZ_CHECK(arguments.empty() || (arguments[0] != L' ' && arguments[0] != L'\t'));
    // The switches as read from the whole line or from its arguments.
    for (const std::wstring& workingCopy : {commandLine, arguments}) {
        const Switches switches = ReadSwitches(workingCopy);
        FUZZ_CHECK(switches.sNomSrvApl.find(L' ') == npos);
        FUZZ_CHECK(workingCopy.find(switches.sNomSrvApl) != npos);
        FUZZ_CHECK(switches.sNomSrvApl.empty() || workingCopy.find(L"NOMSRVAPL=") != npos);
        FUZZ_CHECK(!switches.bDebug || workingCopy.find(L"/ESDBG") != npos);
        FUZZ_CHECK(switches.bQuiet == (workingCopy.find(L"/ESDES") != npos));
    }

    // The command line is the program (quoted or not), then blanks, then the
    // arguments: the two readers agree on where the program ends.
    const std::wstring program = ProgramOf(commandLine);
    const bool quoted = !commandLine.empty() && commandLine[0] == L'"';
    FUZZ_CHECK(program.find_first_of(quoted ? L"\"" : L" \t") == npos);
    const std::size_t programEnd = (quoted ? 1 : 0) + program.size();
    FUZZ_CHECK(programEnd + arguments.size() <= commandLine.size());
    FUZZ_CHECK(commandLine.compare(quoted ? 1 : 0, program.size(), program) == 0);
    const std::wstring between =
        commandLine.substr(programEnd, commandLine.size() - arguments.size() - programEnd);
    // The quoted program's closing quote, when there is one, comes first.
    FUZZ_CHECK(between.find_first_not_of(L" \t", quoted && between.starts_with(L'"') ? 1 : 0) ==
               npos);
}
