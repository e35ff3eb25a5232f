#pragma once

// What the helper's exit code tells the program that started it.
enum RegToolExit : int {
    ExitSuccess = 0,
    ExitBadCommandLine = 1,
    ExitFileMissing = 2, // softcam.dll or Vidlet.exe is not beside the helper
    ExitDataFolder = 3, // the data folder is unknown, cannot be created or made the administrators'
    ExitCopyFailed = 4, // no copy of the shipped camera could be staged
    ExitLoadFailed = 5, // the camera DLL cannot be loaded
    ExitEntryFailed = 6, // its registration entry point is missing or failed
    ExitRegistryFailed = 7,
    ExitFirewallFailed = 8,
};
