// Writes the manual pages tarn.1 and tarn-studio.1 and the bash completion
// into a folder, from the command line's own description; run by the build.
#include "cli/Command.h"
#include "cli/ManualPages.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarn-manual FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const tarn::CommandReference commandLine = tarn::DescribeCommandLine(tarn::AddStudioLauncher);
    std::ofstream tarn(folder / "tarn.1");
    tarn::WriteTarnManual(tarn, commandLine);
    std::ofstream studio(folder / "tarn-studio.1");
    tarn::WriteStudioManual(studio, commandLine);
    std::ofstream completion(folder / "tarn.bash");
    tarn::WriteBashCompletion(completion, commandLine);
    tarn.close();
    studio.close();
    completion.close();
    if (!tarn || !studio || !completion) {
        std::cerr << "tarn-manual: cannot write into " << folder << '\n';
        return 1;
    }
    return 0;
}
