#include "app/Command.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    return tarn::RunCommandLine(argc, argv, tarn::AddStudioLauncher);
}
