// Under the leak checker of the address sanitizer: fontconfig keeps its
// configuration for the whole life of the process and never frees it. That
// is not memory the drawing program loses, so it is not reported, and the
// program's output stays what it is without the sanitizer.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
