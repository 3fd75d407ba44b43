#include "cli/CommandOptions.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/Studio.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tarn {

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
                "Fail when the project loads with warnings (a machine missing, say)");
}

void AddLoadOptions(CommandParser& parser, bool& strict, bool& quiet) {
    AddStrictOption(parser, strict);
    parser.Flag("-q,--quiet", quiet, "Show no progress line");
}

std::unique_ptr<Project> LoadForCommand(Studio& studio, CommandConsole& console,
                                        const std::filesystem::path& file, bool strict,
                                        int& warnings) {
    const int before = console.Warnings();
    std::unique_ptr<Project> project = studio.LoadProject(file);
    warnings = console.Warnings() - before;
    return project != nullptr && !StrictRefuses(strict, warnings, file) ? std::move(project)
                                                                        : nullptr;
}

bool StrictRefuses(bool strict, int warnings, const std::filesystem::path& file) {
    if (!strict || warnings == 0) {
        return false;
    }
    ErrorOut() << "error: '" << file.string() << "' loaded with " << warnings
               << (warnings == 1 ? " warning" : " warnings") << " (--strict)" << eol;
    return true;
}

void ReportLoadWarnings(int warnings, const std::filesystem::path& file) {
    if (warnings > 0) {
        WarningOut() << "warning: '" << file.string() << "' loaded with " << warnings
                     << (warnings == 1 ? " warning" : " warnings") << eol;
    }
}

} // namespace tarn
