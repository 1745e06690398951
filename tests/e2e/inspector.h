// What the driver and the inspector DLL agree on. The driver hooks the
// inspector into the program's user-interface thread and sends its window
// kInspectMessage (wParam: the driver's process id, lParam: an Inspect value);
// the inspector writes its answer, NUL-terminated UTF-16 text, into the
// driver's shared memory named by inspectionMemoryName. Inspect::Settled is
// posted instead, behind whatever the driver posted before it, and is answered
// when the program takes it from its queue.
#pragma once

#include <windows.h>

#include <cwchar>

namespace e2e {

inline constexpr wchar_t kInspectMessage[] = L"Lorvane.E2E.Inspect";
inline constexpr char kInspectorHookProcName[] = "lorvaneE2eInspect";    // hooks sent messages
inline constexpr char kSettledHookProcName[] = "lorvaneE2eSettled";      // hooks posted messages
inline constexpr DWORD kInspectionChars = 32768;

enum class Inspect : LPARAM {
    // The window's menu: one line per item, depth first: "depth\tid\tflags\ttext",
    // flags holding 'g' for greyed, 'c' for checked, 's' for a separator.
    MenuBar = 1,
    // Nothing: the empty answer says that every message posted earlier has been taken.
    Settled = 2,
};

inline void inspectionMemoryName(DWORD driverProcess, wchar_t (&name)[64]) {
    std::swprintf(name, 64, L"Local\\Lorvane.E2E.Inspect.%lu", static_cast<unsigned long>(driverProcess));
}

}  // namespace e2e
