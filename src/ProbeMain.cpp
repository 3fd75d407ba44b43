// The plug-in probe: `tarn-probe LIBRARY` tries one plug-in library in a
// process of its own and answers on file descriptor 3 (see RunVstProbe).
// The studio starts it for every new or changed library it scans.
#include "machines/framework/vst/VstProbeChild.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    return tarn::RunVstProbe(argv[1], tarn::kVstProbeAnswer);
}
