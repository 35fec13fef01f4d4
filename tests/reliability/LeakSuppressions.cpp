// Suppressions for the leak checks that the reliability tests run while the
// program is still going (ReliabilitySupport.h, leaksFound).
//
// fontconfig keeps parts of its loaded configuration through encoded
// offsets rather than plain pointers, so a leak check in mid-run sees those
// blocks as unreachable; they are released with the configuration. That the
// plug-in's own use of fontconfig does not grow is shown by the flat heap of
// the 1000-cycle tests in the builds without sanitizers.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
