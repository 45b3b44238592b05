; The installer a vendor would build instead: NSIS, the same tree stored
; uncompressed, installed silently with /S /D=TARGET in the benchmark.
; makensis -DTARGET=x86-ansi|amd64-unicode -DSOURCE=VERSION_DIR -DOUTFILE=SETUP_EXE peer-installer.nsi
; (the stub of the kind of the build measured: the 64-bit stubs are Unicode)
Target ${TARGET}
SetCompress off
Name "Bench"
OutFile "${OUTFILE}"
InstallDir "C:\Bench"
RequestExecutionLevel user

Page directory
Page instfiles

Section
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}"
SectionEnd
