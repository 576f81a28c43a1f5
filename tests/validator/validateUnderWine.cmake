# Runs the Windows validator on the Windows plug-in under Wine, in a Wine
# prefix of this test's own: there, windows are not "managed", because without
# a window manager Wine waits two seconds for every message box that closes,
# and the damaged-state check provokes hundreds of them.
# Variables: WINE_RUN (scripts/wine-run.sh), WINE_ARCH (win32 or win64), VALIDATOR, PLUGIN, PREFIX.
set(ENV{WINEPREFIX} "${PREFIX}")
execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f
                OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE setup)
if(NOT setup EQUAL 0)
  message(FATAL_ERROR "cannot prepare the Wine prefix ${PREFIX}")
endif()
execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} "${VALIDATOR}" "${PLUGIN}" RESULT_VARIABLE result)
execute_process(COMMAND wineserver -k OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "vstvalidate reported failures (exit code ${result})")
endif()
