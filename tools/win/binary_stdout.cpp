// Standard output carries the spool bytes when no -o is given, so it is binary as on POSIX
// systems: the C runtime's text mode would turn every LF into CR LF.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

[[maybe_unused]] const int g_stdoutMode = _setmode(_fileno(stdout), _O_BINARY);

}  // namespace
