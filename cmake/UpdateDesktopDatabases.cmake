# Run by `cmake --install` with TARN_DATA_DIR set to the installed data
# folder: the desktop finds a new file type and the
# program that opens it only through the caches of its MIME and desktop
# databases. A package build (DESTDIR set) leaves them to the package
# manager's triggers.
if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
endif()
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
    execute_process(COMMAND ${UPDATE_MIME_DATABASE} "${TARN_DATA_DIR}/mime")
endif()
find_program(UPDATE_DESKTOP_DATABASE update-desktop-database)
if(UPDATE_DESKTOP_DATABASE)
    execute_process(COMMAND ${UPDATE_DESKTOP_DATABASE} -q "${TARN_DATA_DIR}/applications")
endif()
