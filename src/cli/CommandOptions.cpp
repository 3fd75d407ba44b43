#include "cli/CommandOptions.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/Studio.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tarn {
namespace {

// "1 warning", "2 warnings"; nothing for none.
std::string Counted(int count, const std::string& thing) {
    if (count == 0) {
        return {};
    }
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

} // namespace

void AddBackendOption(CommandParser& parser, std::string& backend) {
    parser
        .Option("--backend", backend,
                "Audio output: a running JACK server, else ALSA (auto), or either one")
        .OneOf({"auto", "alsa", "jack"})
        .ShowDefault();
}

void AddBeatsOption(CommandParser& parser, double& beats, const char* description) {
    const auto positive = [](const std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(text.c_str(), &end);
        const bool number = !text.empty() && end == text.c_str() + text.size() && errno == 0;
        if (number && std::isfinite(value) && value > 0.0) {
            return {};
        }
        return "the number of beats must be a finite number above 0, not '" + text + "'";
    };
    parser.Option("--beats", beats, description).Check(positive, "BEATS > 0");
}

void AddStrictOption(CommandParser& parser, bool& strict) {
    parser.Flag("--strict", strict,
                "Fail when the project loads with warnings (a machine missing, say) or errors "
                "(a connection to a machine that is not there)");
}

void AddLoadOptions(CommandParser& parser, bool& strict, bool& quiet) {
    AddStrictOption(parser, strict);
    parser.Flag("-q,--quiet", quiet, "Show no progress line");
}

LoadLines::LoadLines(const CommandConsole& console)
    : console_(console), warnings_(console.Warnings()), errors_(console.Errors()) {}

int LoadLines::Warnings() const {
    return console_.Warnings() - warnings_;
}

int LoadLines::Errors() const {
    return console_.Errors() - errors_;
}

std::unique_ptr<Project> LoadForCommand(Studio& studio, CommandConsole& console,
                                        const std::filesystem::path& file, bool strict,
                                        int& warnings) {
    const LoadLines lines(console);
    std::unique_ptr<Project> project = studio.LoadProject(file);
    warnings = lines.Warnings();
    return project != nullptr && !StrictRefuses(strict, lines, file) ? std::move(project) : nullptr;
}

bool StrictRefuses(bool strict, const LoadLines& lines, const std::filesystem::path& file) {
    const int errors = lines.Errors();
    const int warnings = lines.Warnings();
    if (!strict || (errors == 0 && warnings == 0)) {
        return false;
    }
    ErrorOut() << "error: '" << file.string() << "' loaded with " << Counted(errors, "error")
               << (errors > 0 && warnings > 0 ? " and " : "") << Counted(warnings, "warning")
               << " (--strict)" << eol;
    return true;
}

void ReportLoadWarnings(int warnings, const std::filesystem::path& file) {
    if (warnings > 0) {
        WarningOut() << "warning: '" << file.string() << "' loaded with "
                     << Counted(warnings, "warning") << eol;
    }
}

} // namespace tarn
