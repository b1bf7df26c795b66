// The GL driver keeps allocations for the life of the process (compiled shaders,
// the software rasteriser's state); LeakSanitizer is told to look past them only.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\nleak:libLLVM\nleak:libEGL_mesa\nleak:libgallium\n";
}
