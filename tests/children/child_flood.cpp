// Writes far more than a pipe holds: argv[1] bytes (default 1 MiB) of a
// pattern without line ends, so no text-mode translation can alter it.
// Byte i is 'A' + (i * 7 + i / 26) % 26.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const long total = argc > 1 ? std::atol(argv[1]) : 1L << 20;
  std::string bytes(static_cast<std::size_t>(total > 0 ? total : 0), '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  return std::fflush(stdout) == 0 && whole ? 0 : 1;
}
