#include "cli/ManualPages.h"

#include <ostream>
#include <string>
#include <string_view>

#ifndef TARN_VERSION
#define TARN_VERSION "0.0.0"
#endif

namespace tarn {
namespace {

// Text as roff prints it: backslashes escaped, and no line that starts
// with a control character.
std::string Roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        if (c == '\n') {
            out += "\\&";
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

// The full stop a sentence of the help lacks.
std::string_view Stop(std::string_view sentence) {
    return sentence.ends_with('.') ? "" : ".";
}

std::string Bold(std::string_view text) {
    return "\\fB" + Roff(text) + "\\fR";
}

std::string Italic(std::string_view text) {
    return "\\fI" + Roff(text) + "\\fR";
}

void Header(std::ostream& out, std::string_view title, std::string_view summary) {
    out << ".TH " << Roff(title) << " 1 \"\" \"Tarn Studio " TARN_VERSION "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << Roff(title == "TARN" ? "tarn" : "tarn-studio") << " \\- " << Roff(summary) << "\n";
}

// The usage line of a command: its name, its required arguments and
// options, then the rest.
std::string Usage(const std::string& path, const CommandReference& command) {
    std::string usage = Bold(path);
    bool optional = false;
    for (const OptionReference& option : command.options) {
        if (option.positional) {
            usage += " " + (option.required ? Italic(option.names.front())
                                            : "[" + Italic(option.names.front()) + "]");
        } else if (option.required) {
            usage += " " + Bold(option.names.back()) + " " + Italic(option.value);
        } else {
            optional = true;
        }
    }
    if (!command.commands.empty()) {
        usage += " " + Italic("COMMAND");
    }
    if (optional) {
        usage += " [" + Italic("OPTIONS") + "]";
    }
    return usage;
}

void Options(std::ostream& out, const CommandReference& command) {
    for (const OptionReference& option : command.options) {
        out << ".TP\n";
        std::string names;
        for (const std::string& name : option.names) {
            names += (names.empty() ? "" : ", ") + (option.positional ? Italic(name) : Bold(name));
        }
        if (!option.positional && !option.value.empty()) {
            names += " " + Italic(option.value);
        }
        std::string sentence = option.description;
        if (option.required && !option.positional) {
            sentence += " (required)";
        }
        out << names << "\n" << Roff(sentence) << Stop(sentence);
        if (!option.defaultValue.empty()) {
            out << " Default: " << Bold(option.defaultValue) << ".";
        }
        out << "\n";
    }
}

void Commands(std::ostream& out, const std::string& parent, const CommandReference& command) {
    for (const CommandReference& sub : command.commands) {
        const std::string path = parent + " " + sub.name;
        out << ".SS \"" << Roff(path) << "\"\n"
            << Usage(path, sub) << "\n.PP\n"
            << Roff(sub.description) << Stop(sub.description) << "\n";
        Options(out, sub);
        Commands(out, path, sub);
    }
}

constexpr std::string_view kApplicationDirectory = R"roff(.SH FILES
The studio keeps its settings, machine lists, skin and output in an
\fIapplication directory\fR.
A folder that holds \fBPlugin/Gear/\fR or \fBSkins/\fR is one, and the studio
started in it uses it.
Started anywhere else, it uses \fB$XDG_DATA_HOME/tarn\-studio\fR (by default
\fB~/.local/share/tarn\-studio\fR), which it makes on first use from the
installed skeleton in \fB<prefix>/share/tarn\-studio\fR.
Paths given on the command line are taken from the current folder.
.TP
.B Config/GUI.config.xml
The settings of the studio's window (see \fBtarn\-studio\fR(1)).
.TP
.B Config/Plugins.cache.xml
The plug-in libraries tried so far, and why any was refused.
.TP
.B Plugin/Gear/Gear.config.xml
The folders searched for VST 2 plug-ins.
.TP
.B Plugin/Gear/Index.xml
The new-machine catalogue.
.TP
.B Out/Console.log
Every message of the last run.
.TP
.B Out/Autosave.tarn
The copy of the window's project saved while it has unsaved edits.
)roff";

constexpr std::string_view kEnvironment = R"roff(.SH ENVIRONMENT
.TP
.B XDG_DATA_HOME
Where the per-user application directory is made (\fB~/.local/share\fR when
unset).
.TP
.B JACK_DEFAULT_SERVER
The JACK server to play on, when not the default one.
.TP
.BR DISPLAY ", " WAYLAND_DISPLAY ", " QT_QPA_PLATFORM
Where the studio's window opens; without any, \fBtarn\fR alone says that there
is no display.
)roff";

} // namespace

void WriteTarnManual(std::ostream& out, const CommandReference& commandLine) {
    Header(out, "TARN", "a modular music-production studio, on the command line");
    out << ".SH SYNOPSIS\n"
        << Bold("tarn") << " [" << Italic("PROJECT") << "]\n.br\n"
        << Bold("tarn") << " " << Italic("COMMAND") << " [" << Italic("OPTIONS") << "]\n.br\n"
        << Bold("tarn") << " " << Bold("--help") << " | " << Bold("--version") << "\n";
    out << R"roff(.SH DESCRIPTION
Tarn Studio is a modular music-production studio: machines (synthesizers, a
sampler, a tracker, effects and VST 2 plug-ins) are connected into a graph that
ends in the Master, and each machine plays patterns of timed events placed in
a sequence, at a tempo.
A whole project is kept in one binary file (\fB.tarn\fR).
.PP
\fBtarn\fR alone, or with a project file, opens the studio's window
(\fBtarn\-studio\fR(1)); its commands render, play, print, make and change
projects without one.
Every command takes \fB\-\-help\fR.
.SH OPTIONS
)roff";
    Options(out, commandLine);
    out << ".SH COMMANDS\n";
    Commands(out, "tarn", commandLine);
    out << R"roff(.SH EXIT STATUS
.TP
.B 0
Success.
.TP
.B 1
Failure; the reason is on standard error, each line starting with
"error:\ ".
Output that cannot be written is a failure too.
.TP
.B 2
A usage error: wrong or missing arguments.
.TP
.B 130
A render or playback stopped by Ctrl+C (SIGINT), SIGTERM or SIGHUP.
)roff" << kApplicationDirectory
        << kEnvironment << R"roff(.SH SEE ALSO
\fBtarn\-studio\fR(1), \fBjackd\fR(1), \fBjack_transport\fR(1)
)roff";
}

void WriteStudioManual(std::ostream& out, const CommandReference& commandLine) {
    Header(out, "TARN-STUDIO", "the window of Tarn Studio, a modular music-production studio");
    out << ".SH SYNOPSIS\n"
        << Bold("tarn-studio") << " [" << Italic("PROJECT") << "]\n.br\n"
        << Bold("tarn-studio") << " " << Italic("COMMAND") << " [" << Italic("OPTIONS") << "]\n";
    out << R"roff(.SH DESCRIPTION
\fBtarn\-studio\fR opens the studio's window, with \fIPROJECT\fR if given;
\fBtarn\fR alone (or \fBtarn studio\fR) starts it.
The desktop's menu entry starts it too, and opening a project file
(\fBapplication/x\-tarn\-project\fR) from a file manager opens it there.
Each start opens a studio of its own.
.PP
It takes every command of \fBtarn\fR(1) as well; these are the ones about the
window:
)roff";
    for (const CommandReference& command : commandLine.commands) {
        if (command.name == "studio") {
            out << ".TP\n"
                << Usage("tarn-studio studio", command) << "\n"
                << Roff(command.description) << Stop(command.description) << "\n";
        }
    }
    for (const OptionReference& option : commandLine.options) {
        if (option.positional) {
            out << ".TP\n"
                << Italic(option.names.front()) << "\n"
                << Roff(option.description) << Stop(option.description) << "\n";
        }
    }
    out << R"roff(.SH SETTINGS
The window reads these from \fBConfig/GUI.config.xml\fR in the application
directory, as elements nested by the parts of their names
(\fB<audio><latency>low</latency></audio>\fR):
.TP
.B audio.backend
\fBauto\fR (JACK when a server runs, ALSA otherwise), \fBalsa\fR, \fBjack\fR or
\fBnone\fR (no sound).
.TP
.B audio.latency
\fBsafe\fR (about 180 ms ahead) or \fBlow\fR (in step with a JACK server's
period).
.TP
.B audio.transport
With JACK: \fBfollow\fR (the JACK transport starts, stops and moves the song,
and the window's Play and Stop start and stop it), \fBlead\fR (the same, and
the studio publishes bar, beat and tempo as the timebase master) or \fBoff\fR.
Default: \fBfollow\fR.
.TP
.B midi.enabled
\fB1\fR to play the machines from every MIDI input, \fB0\fR not to.
)roff" << kApplicationDirectory
        << kEnvironment << R"roff(.SH SEE ALSO
\fBtarn\fR(1)
)roff";
}

} // namespace tarn
