#include "app/StudioCommand.h"
#include "cli/CommandLine.h"

int main(int argc, char** argv) {
    return tarn::RunCommandLine(argc, argv, tarn::AddStudioCommand);
}
