// ZEB_PRINTF_FORMAT(format_index, first_argument): lets the compiler check a
// printf-like function's arguments against its format text.
//
// The texts are formatted by std::vsnprintf, which follows the C99 rules on
// every host (MinGW-w64's C++ headers select its conforming stdio). GCC must
// be told so by the archetype gnu_printf: for MinGW targets its plain
// "printf" means the older Microsoft rules, which reject %zu and %lld. Clang
// knows no gnu_printf (it warns and ignores the attribute) and checks
// "printf" against the C99 rules.
#pragma once

#if defined(__clang__)
#define ZEB_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(printf, format_index, first_argument)))
#else
#define ZEB_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(gnu_printf, format_index, first_argument)))
#endif
