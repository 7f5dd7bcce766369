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

foreach(file ${PAYVANE_APP_ID}.desktop autostart.desktop payvane.service Payvane.1 Exception.1payvane)
    configure_file("${PAYVANE_SOURCE_DIR}/${file}.in" "${PAYVANE_GENERATED_DIR}/${file}" @ONLY)
endforeach()
configure_file("${PAYVANE_SOURCE_DIR}/debian/changelog" "${PAYVANE_GENERATED_DIR}/changelog.Debian" COPYONLY)
# Manual pages and the changelog go compressed at the highest level, without
# a name or time stamp inside, so every build gives the same bytes.
if(PAYVANE_GZIP)
    foreach(file Payvane.1 Exception.1payvane changelog.Debian)
        execute_process(COMMAND "${PAYVANE_GZIP}" -9nf "${PAYVANE_GENERATED_DIR}/${file}"
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
