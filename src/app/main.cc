// wWinMain: builds the Win32 services and hands them to the main sequence.
#include "engine/uninstaller.h"
#include "platform/win32/win32.h"
#include "ui/win32_ui.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  unroll::LimitDllSearchToSystemFolder();
  // ShellExecuteExW and the GUID of the self-removal script need COM on this thread.
  (void)::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // The progress bar's class, drawn with visual styles (the manifest asks for Common Controls 6).
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  (void)::InitCommonControlsEx(&controls);

  // Locals live for the whole run: the main sequence never returns, it ends the process.
  unroll::Win32FileSystem files;
  unroll::Win32Process process;
  unroll::Win32Ui ui;
  unroll::Win32Registry registry;
  unroll::Services services{files, process, ui, registry};
  unroll::Uninstaller uninstaller(services);
  unroll::MainSequence(uninstaller);
}
