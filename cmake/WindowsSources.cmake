# The Windows sources (*_win.cpp, *_mf.cpp) that the MinGW-w64 build compiles into real programs
# and libraries, relative to the source folder. They use no Qt. Every other Windows source needs
# Qt and is compiled for syntax by the WindowsQtSyntax test of the Linux build; the Windows build
# checks that each file below is part of one of its targets, so no Windows source escapes both.
set(VIDLET_WIN_NATIVE_SOURCES
  system/DynamicLibrary_win.cpp
  system/BestInterface_win.cpp
  system/FirewallRules_win.cpp
  system/SignedFile_win.cpp
  softcam/win/softcam_win.cpp
  video/H264Decoder_mf.cpp
  video/Mp4Recorder_mf.cpp
  regtool/RegTool_win.cpp
  regtool/RegToolLog_win.cpp
  regtool/AdminFolder_win.cpp
  regtool/StagedCopy_win.cpp
  regtool/main_win.cpp
)
