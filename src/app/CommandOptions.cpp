#include "app/CommandOptions.h"

#include "app/CommandConsole.h"
#include "app/Studio.h"
#include "base/MessagePipe.h"
#include "engine/Project.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tarn {

void AddBackendOption(CLI::App& parser, std::string& backend) {
    parser
        .add_option("--backend", backend,
                    "Audio output: a running JACK server, else ALSA (auto), or either one")
        ->check(CLI::IsMember({"auto", "alsa", "jack"}))
        ->capture_default_str();
}

void AddBeatsOption(CLI::App& parser, double& beats, const char* description) {
    const CLI::Validator positive(
        [](const std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            const double value = std::strtod(text.c_str(), &end);
            const bool number = !text.empty() && end == text.c_str() + text.size() && errno == 0;
            if (number && std::isfinite(value) && value > 0.0) {
                return {};
            }
            return "the number of beats must be a finite number above 0, not '" + text + "'";
        },
        "BEATS > 0");
    parser.add_option("--beats", beats, description)->check(positive);
}

void AddStrictOption(CLI::App& parser, bool& strict) {
    parser.add_flag("--strict", strict,
                    "Fail when the project loads with warnings (a machine missing, say)");
}

void AddLoadOptions(CLI::App& parser, bool& strict, bool& quiet) {
    AddStrictOption(parser, strict);
    parser.add_flag("-q,--quiet", quiet, "Show no progress line");
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
