#include "app/CommandLine.h"
#include "gui/StudioCommand.h"

int main(int argc, char** argv) {
    return tarn::RunCommandLine(argc, argv, tarn::AddStudioCommand);
}
