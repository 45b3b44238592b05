; The installer a vendor would build instead: NSIS, the same tree stored
; uncompressed, installed silently with /S /D=TARGET in the benchmark.
; makensis -DSOURCE=VERSION_DIR -DOUTFILE=SETUP_EXE peer-installer.nsi
Unicode false
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
