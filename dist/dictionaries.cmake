# Spelling dictionaries for the page engine, made at build time from Debian's
# Hunspell dictionaries (scripts/install-deps installs them) in the engine's
# own format: beside the program in a build, where the program finds them,
# and in share/wavecrest for an installed copy. The mail windows read the
# Hunspell files themselves.
set(WAVECREST_SPELLING_DICTIONARIES en_US en_GB de_DE es_ES fr
    CACHE STRING "Hunspell dictionaries converted for the page engine")
set(WAVECREST_HUNSPELL_DIR /usr/share/hunspell CACHE PATH "Where the Hunspell dictionaries are")

find_package(Qt6 6.4 REQUIRED COMPONENTS WebEngineCoreTools)
set(dictionary_dir ${CMAKE_BINARY_DIR}/qtwebengine_dictionaries)
set(converted_dictionaries)
foreach(name ${WAVECREST_SPELLING_DICTIONARIES})
    set(source ${WAVECREST_HUNSPELL_DIR}/${name})
    if(NOT EXISTS ${source}.dic OR NOT EXISTS ${source}.aff)
        message(WARNING "${source}.dic is missing: pages are not spell-checked in that "
            "language (scripts/install-deps installs it)")
        continue()
    endif()
    # The engine knows a dictionary by its file name, "en-US.bdic".
    string(REPLACE "_" "-" language ${name})
    set(converted ${dictionary_dir}/${language}.bdic)
    add_custom_command(OUTPUT ${converted}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dictionary_dir}
        COMMAND sh -c "\"$1\" \"$2\" \"$3\" >/dev/null" convert
            $<TARGET_FILE:Qt6::qwebengine_convert_dict> ${source}.dic ${converted}
        DEPENDS ${source}.dic ${source}.aff
        COMMENT "Converting the ${language} spelling dictionary"
        VERBATIM)
    list(APPEND converted_dictionaries ${converted})
endforeach()
add_custom_target(spelling_dictionaries ALL DEPENDS ${converted_dictionaries})
install(FILES ${converted_dictionaries}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/wavecrest/qtwebengine_dictionaries)
