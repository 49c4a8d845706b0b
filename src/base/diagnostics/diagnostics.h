// The two diagnostic outputs of the whole system and the switch that governs
// its trace points.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/diagnostics/printf_format.h"

namespace zeb::diagnostics {

// Trace points guarded by this switch are silent while it is 0. Nothing in
// the system sets it; it exists so that a developer can turn tracing on.
extern std::int32_t debug_switch;

// The longest text each output accepts, in characters (the terminator is
// not counted). A longer formatted text is refused as a whole, never cut:
// debug_log then writes nothing, and alert_box treats it as a box that
// could not be shown.
inline constexpr std::size_t kDebugLogMaxLength = 999'999;
inline constexpr std::size_t kAlertBoxMaxLength = 49'999;

// Formats a trace text with printf rules and writes it to the debugger's
// output channel and, unchanged, to buffered standard output. The text ends
// at its first NUL byte on both outputs. The calling thread's last-error
// value is the same after the call as before it.
void debug_log(const char* format, ...) ZEB_PRINTF_FORMAT(1, 2);

// Formats a text with printf rules and shows it in a blocking message box
// captioned "Debug" with OK and Cancel, kept above all other windows.
// Returns only when the answer is OK; any other answer, a box that cannot be
// shown and a text that is refused end the process with std::exit(1), so
// that at-exit handlers still run.
void alert_box(const char* format, ...) ZEB_PRINTF_FORMAT(1, 2);

// What alert_box uses to ask the person at the screen: it shows `text`
// under `caption` with the given MB_* style and returns the answer (IDOK,
// IDCANCEL, ...) or 0 when the box cannot be shown. The default calls
// MessageBoxA without an owner window. Tests install their own; null
// restores the default. Returns the previous prompt.
using AlertPrompt = int (*)(const char* text, const char* caption, unsigned style);
AlertPrompt set_alert_prompt(AlertPrompt prompt);

}  // namespace zeb::diagnostics
