# Runs when installing: writes the files that name the installed program by
# its full path into PAYVANE_GENERATED_DIR, for the install rules after it.

# Desktop entries and systemd both take a path in double quotes; the
# characters they would expand or unescape are refused rather than mangled.
if(PAYVANE_PROGRAM MATCHES "[\"`$%\\\n]")
    message(FATAL_ERROR "Payvane cannot be installed under a path with \", \\, `, $ or %: ${PAYVANE_PROGRAM}")
endif()
if(PAYVANE_PROGRAM MATCHES " ")
    set(PAYVANE_EXEC "\"${PAYVANE_PROGRAM}\"")
else()
    set(PAYVANE_EXEC "${PAYVANE_PROGRAM}")
endif()

foreach(file ${PAYVANE_APP_ID}.desktop autostart.desktop payvane.service Payvane.1)
    configure_file("${PAYVANE_SOURCE_DIR}/${file}.in" "${PAYVANE_GENERATED_DIR}/${file}" @ONLY)
endforeach()
# Manual pages go compressed, without a name or time stamp inside.
if(PAYVANE_GZIP)
    execute_process(COMMAND "${PAYVANE_GZIP}" -9nf "${PAYVANE_GENERATED_DIR}/Payvane.1"
        COMMAND_ERROR_IS_FATAL ANY)
endif()
