// A library that loads but offers no sound handler: the studio must skip it.
extern "C" __attribute__((visibility("default"))) int NotAHandler() {
    return 0;
}
