// Leak-checker suppressions for this test binary. Fontconfig keeps its configuration and font
// cache for the life of the process (Pango reaches it through every text measurement), and
// Mesa's shader cache index stays mapped; both are freed by process exit, not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:mesa_shader_cache\n";
}
