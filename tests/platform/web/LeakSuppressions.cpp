// The engine's libraries keep allocations for the life of the process (caches, type
// registrations); the leak checker is told so for these tests only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libWPEWebKit-1.1.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libfontconfig.so\n";
}
