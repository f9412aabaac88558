// Moravel.exe: sets the current directory to the program's own, creates the
// main window (which loads the library), and runs the message loop until the
// window has been closed.

#include <windows.h>

#include "app/main_window_win.h"
#include "app/program_path_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const std::filesystem::path directory = moravel::programDirectory();
  if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());

  moravel::MainWindow window([] { return moravel::programLibraryPath(); });
  if (!window.create(instance, showCommand)) return 1;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) window.processMessage(message);
  // The quit request carries 0: the window was closed and the library saved.
  return 0;
}
