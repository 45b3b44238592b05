# What the example product, Quorvix Forge, puts into its setup.exe: the
# defaults of every build. A vendor copies this file, sets its own values
# and names the copy when building:
#   scripts/release.sh ... --settings FILE     or     cmake -DPRODUCT_SETTINGS=FILE ...
# Texts are UTF-8 and hold no double quote or backslash; a relative path is
# taken from this file's folder.
set(PRODUCT_NAME "Quorvix Forge")
set(PRODUCT_COMPANY "Quorvix Software")
set(PRODUCT_COPYRIGHT "Copyright © 2026 Quorvix Software")
# The installer's icon, shown on its window and by Explorer: an .ico file
# that holds a 32 × 32 image.
set(PRODUCT_ICON "../../setup/Setup.ico")
# The Start-menu link "Home page" of each interface language.
set(PRODUCT_HOME_PAGE_ENGLISH "http://www.quorvixforge.example/english.html")
set(PRODUCT_HOME_PAGE_RUSSIAN "http://www.quorvixforge.example/russian.html")
# The main program's Start-menu link: its file name (without ".lnk") and its
# description. Left out, as here, they are made from PRODUCT_NAME: without
# its spaces (QuorvixForge.lnk), and as it is ("Quorvix Forge").
# set(PRODUCT_PROGRAM_LINK_NAME "QuorvixForge")
# set(PRODUCT_PROGRAM_LINK_DESCRIPTION "Quorvix Forge")
