#include "cli/CommandLine.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "base/SystemError.h"
#include "cli/Command.h"
#include "studio/AppDirectoryChoice.h"
#include "studio/CommandConsole.h"

// The only file that includes the argument parser: it is heavy to compile,
// and the commands see it through CommandParser alone.
#include <CLI/CLI.hpp>

#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <streambuf>
#include <string>

#ifndef TARN_VERSION
#define TARN_VERSION "0.0.0"
#endif

namespace tarn {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

// Standard output as every command writes it, through std::cout: each write
// goes straight on to the stream's own buffer, and the first one that fails
// keeps the system's reason, so that a full disk or a closed output is
// reported once the command is done instead of passing for success. No
// buffer of its own, so writes from several threads stay as safe as before.
class CheckedOutput final : public std::streambuf {
public:
    explicit CheckedOutput(std::ostream& stream) : stream_(stream), target_(stream.rdbuf(this)) {}
    ~CheckedOutput() override { stream_.rdbuf(target_); }
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // Writes out what is still buffered; the error line of the first failed
    // write, or an empty one.
    std::string Finish() {
        pubsync();
        const int error = error_.load();
        return error == 0
                   ? std::string()
                   : "error: cannot write to standard output: " + std::string(std::strerror(error));
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        if (traits_type::eq_int_type(target_->sputc(traits_type::to_char_type(c)),
                                     traits_type::eof())) {
            return Failed(traits_type::eof());
        }
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        const std::streamsize written = target_->sputn(text, count);
        return written == count ? written : Failed(written);
    }
    int sync() override { return target_->pubsync() == 0 ? 0 : Failed(-1); }

private:
    // Keeps the reason of the first failure (errno as the failed write left
    // it) and passes result on.
    template <typename Result> Result Failed(Result result) {
        int none = 0;
        error_.compare_exchange_strong(none, LastSystemError());
        return result;
    }

    std::ostream& stream_;
    std::streambuf* target_;
    std::atomic<int> error_ = 0;
};

// The status of a run whose standard output failed: a success becomes a
// failure, any other status stays.
int OutputFailed(int status) {
    return status == kSuccess ? kFailure : status;
}

// The values of a check that names them, as its help shows them:
// "TEXT:{safe,low}".
std::vector<std::string> AllowedValues(const std::string& type) {
    const std::size_t open = type.find(":{");
    const std::size_t close = type.find('}', open);
    std::vector<std::string> values;
    if (open == std::string::npos || close == std::string::npos) {
        return values;
    }
    std::string list = type.substr(open + 2, close - open - 2);
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        values.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return values;
}

CommandReference Describe(const CLI::App& app) {
    CommandReference command{app.get_name(), app.get_description(), {}, {}};
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty()) {
            continue;
        }
        OptionReference reference;
        for (const std::string& name : option->get_snames()) {
            reference.names.push_back("-" + name);
        }
        for (const std::string& name : option->get_lnames()) {
            reference.names.push_back("--" + name);
        }
        reference.positional = reference.names.empty();
        if (reference.positional) {
            reference.names.push_back(option->get_name(true));
        }
        if (option->get_items_expected_max() > 0) {
            reference.value = option->get_type_name();
            reference.values = AllowedValues(reference.value);
        }
        reference.description = option->get_description();
        reference.defaultValue = option->get_default_str();
        reference.required = option->get_required();
        command.options.push_back(std::move(reference));
    }
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        command.commands.push_back(Describe(*sub));
    }
    return command;
}

} // namespace

// The main parser with every command added, and the window's command.
struct CommandLineTree {
    explicit CommandLineTree(CommandAdder windowCommand)
        : commands{AddRenderCommand(main),   AddPlayCommand(main), AddDumpCommand(main),
                   AddImportCommand(main),   AddNewCommand(main),  AddDemoCommand(main),
                   AddMachinesCommand(main), AddWaveCommand(main), AddMidiCommand(main),
                   AddPluginsCommand(main)},
          window(windowCommand != nullptr ? windowCommand(main) : Command{}) {}

    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    CommandParser main{MainParser(app)};
    std::array<Command, 10> commands;
    Command window;

private:
    static CommandParser MainParser(CLI::App& app) {
        app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
        app.require_subcommand(0, 1);
        return CommandParser(&app);
    }
};

CommandOption& CommandOption::Required() {
    option_->required();
    return *this;
}

CommandOption& CommandOption::ShowDefault() {
    option_->capture_default_str();
    return *this;
}

CommandOption& CommandOption::OneOf(const std::vector<std::string>& values) {
    option_->check(CLI::IsMember(values));
    return *this;
}

CommandOption& CommandOption::Between(int low, int high) {
    option_->check(CLI::Range(low, high));
    return *this;
}

CommandOption& CommandOption::Check(std::function<std::string(const std::string&)> check,
                                    const std::string& shown) {
    option_->check(CLI::Validator(
        [check = std::move(check)](std::string& text) { return check(text); }, shown));
    return *this;
}

CommandOption& CommandOption::SplitAt(char separator) {
    option_->delimiter(separator);
    return *this;
}

CommandParser CommandParser::Subcommand(const std::string& name, const std::string& description) {
    return CommandParser(app_->add_subcommand(name, description));
}

CommandOption CommandParser::Option(const std::string& names, std::string& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, int& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, double& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, std::vector<int>& values,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, values, description));
}

void CommandParser::Flag(const std::string& names, bool& value, const std::string& description) {
    app_->add_flag(names, value, description);
}

void CommandParser::RequireSubcommand() {
    app_->require_subcommand(1);
}

bool CommandParser::Parsed() const {
    return app_ != nullptr && app_->parsed();
}

CommandReference DescribeCommandLine(CommandAdder windowCommand) {
    const CommandLineTree tree(windowCommand);
    return Describe(tree.app);
}

int RunCommandLine(int argc, char** argv, CommandAdder windowCommand) {
    CheckedOutput output(std::cout);
    CommandLineTree tree(windowCommand);
    CLI::App& app = tree.app;
    // Every failure line of the program starts alike, the parser's too.
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return "error: " + std::string(error.what()) + "\nRun '" + failed->get_name() +
               " --help' for more information.\n";
    });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end the parse as well, successfully.
        const int status = app.exit(error) == 0 ? kSuccess : kUsageError;
        const std::string failure = output.Finish();
        if (failure.empty()) {
            return status;
        }
        std::cerr << failure << '\n';
        return OutputFailed(status);
    }

    const AppDirectoryChoice choice = ChooseAppDirectory(std::filesystem::current_path());
    SetAppDirectory(choice.directory);
    if (!choice.note.empty()) {
        std::cerr << choice.note << '\n';
    }
    CommandConsole console;
    if (!choice.note.empty()) {
        MessageOut() << choice.note << eol;
    }
    const int status = [&] {
        try {
            for (const Command& command : tree.commands) {
                if (command.parser.Parsed()) {
                    return command.run(console);
                }
            }
            if (tree.window.run) {
                return tree.window.run(console);
            }
            std::cout << "Tarn Studio " TARN_VERSION "\n\n" << app.help() << '\n';
            return PrintMachines(std::cout);
        } catch (const std::exception& failure) {
            ErrorOut() << "error: " << failure.what() << eol;
            return kFailure;
        }
    }();
    // Whatever the command printed must have arrived: `tarn dump P > F` on
    // a full disk is a failure, however complete the project was.
    const std::string failure = output.Finish();
    if (failure.empty()) {
        return status;
    }
    ErrorOut() << failure << eol;
    return OutputFailed(status);
}

} // namespace tarn
