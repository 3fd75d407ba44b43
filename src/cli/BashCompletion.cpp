#include "cli/ManualPages.h"

#include <ostream>
#include <string>

namespace tarn {
namespace {

// Every command below parent, as "path) words ;;" case lines of one table
// each: the commands under it, its options, and the values of the options
// that name them ("path option) values ;;").
struct CompletionTables {
    std::string commands;
    std::string options;
    std::string takesValue;
    std::string values;
};

std::string Join(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& word : words) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    return joined;
}

void Collect(CompletionTables& tables, const std::string& path, const CommandReference& command) {
    std::vector<std::string> commands;
    for (const CommandReference& sub : command.commands) {
        commands.push_back(sub.name);
    }
    tables.commands += "    \"" + path + "\") echo \"" + Join(commands) + "\" ;;\n";
    std::vector<std::string> options;
    for (const OptionReference& option : command.options) {
        if (option.positional) {
            continue;
        }
        for (const std::string& name : option.names) {
            options.push_back(name);
            if (option.value.empty()) {
                continue;
            }
            tables.takesValue += "    \"" + path + " " + name + "\") return 0 ;;\n";
            if (!option.values.empty()) {
                tables.values +=
                    "    \"" + path + " " + name + "\") echo \"" + Join(option.values) + "\" ;;\n";
            }
        }
    }
    tables.options += "    \"" + path + "\") echo \"" + Join(options) + "\" ;;\n";
    for (const CommandReference& sub : command.commands) {
        Collect(tables, path.empty() ? sub.name : path + " " + sub.name, sub);
    }
}

} // namespace

void WriteBashCompletion(std::ostream& out, const CommandReference& commandLine) {
    CompletionTables tables;
    Collect(tables, "", commandLine);
    out << "# bash completion for tarn and tarn-studio, written from their own command line.\n\n"
        << "_tarn_commands() {\n    case \"$1\" in\n"
        << tables.commands << "    esac\n}\n\n"
        << "_tarn_options() {\n    case \"$1\" in\n"
        << tables.options << "    esac\n}\n\n"
        << "_tarn_takes_value() {\n    case \"$1 $2\" in\n"
        << tables.takesValue << "    esac\n    return 1\n}\n\n"
        << "_tarn_values() {\n    case \"$1 $2\" in\n"
        << tables.values << "    esac\n}\n\n"
        << R"script(_tarn() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local path="" word i
    # The command so far: each word that names a command under the last one.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ " $(_tarn_commands "$path") " == *" $word "* ]]; then
            path=${path:+$path }$word
        fi
    done
    COMPREPLY=()
    if [[ $COMP_CWORD -gt 1 ]] && _tarn_takes_value "$path" "$prev"; then
        local values
        values=$(_tarn_values "$path" "$prev")
        if [[ -n $values ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$values" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        return 0
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_tarn_options "$path")" -- "$cur")
        return 0
    fi
    mapfile -t COMPREPLY < <(compgen -W "$(_tarn_commands "$path")" -- "$cur"; compgen -f -- "$cur")
    return 0
}

complete -o filenames -F _tarn tarn tarn-studio
)script";
}

} // namespace tarn
