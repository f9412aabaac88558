// Moravel.exe: sets the current directory to the program's own, creates the
// main window (which loads the library), binds the commands and the quick
// send, and runs the message loop until the window has been closed.

#include <windows.h>

#include "app/main_window_win.h"
#include "app/program_path_win.h"
#include "app/quick_send_win.h"
#include "app/window_commands_win.h"
#include "send/pumping_delay_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const std::filesystem::path directory = moravel::programDirectory();
  if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());

  moravel::MainWindow window([] { return moravel::programLibraryPath(); });
  // Outlives the message loop: a send runs inside it and is never cut short.
  moravel::QuickSend quickSend([&window](std::string_view text) { window.setStatusText(1, text); });
  if (!window.create(instance, showCommand)) return 1;
  moravel::WindowCommands commands(window, quickSend);

  // Messages dispatched during the quick send's waits get the same Esc,
  // right-button and Tab handling as those of this loop.
  moravel::setMessagePreTranslator([&window](MSG& message) {
    window.processMessage(message);
    return true;
  });
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) window.processMessage(message);
  moravel::setMessagePreTranslator({});
  // The quit request carries 0: the window was closed and the library saved.
  return 0;
}
