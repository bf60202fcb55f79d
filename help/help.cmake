# The help: the HTML pages of help/ compiled into help.chm with chmcmd (Free
# Pascal's CHM compiler, Debian package fp-utils), and the same pages copied
# into a help/ folder, both next to the memotap executable. The project and
# contents files are kept in UTF-8 and compiled in code page 932, as CHM
# viewers expect for a Japanese help file.
find_program(MEMOTAP_CHMCMD chmcmd)
find_program(MEMOTAP_ICONV iconv)
if(NOT MEMOTAP_CHMCMD OR NOT MEMOTAP_ICONV)
    message(FATAL_ERROR "chmcmd and iconv are needed for the help; run scripts/install-deps")
endif()

set(help_source ${CMAKE_CURRENT_LIST_DIR})
# The executable has no output directory of its own: it lies in the build root.
set(help_exe_dir ${CMAKE_BINARY_DIR})
set(help_project_dir ${CMAKE_BINARY_DIR}/help-project)
file(GLOB help_pages CONFIGURE_DEPENDS ${help_source}/*.html ${help_source}/*.css)

set(help_copies)
foreach(page ${help_pages})
    get_filename_component(name ${page} NAME)
    list(APPEND help_copies ${help_exe_dir}/help/${name})
endforeach()

add_custom_command(
    OUTPUT ${help_exe_dir}/help.chm ${help_copies}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${help_project_dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${help_project_dir} ${help_exe_dir}/help
    COMMAND ${CMAKE_COMMAND} -E copy ${help_pages} ${help_project_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${help_pages} ${help_exe_dir}/help
    COMMAND ${MEMOTAP_ICONV} -f UTF-8 -t CP932 -o ${help_project_dir}/memotap.hhp
            ${help_source}/memotap.hhp
    COMMAND ${MEMOTAP_ICONV} -f UTF-8 -t CP932 -o ${help_project_dir}/toc.hhc
            ${help_source}/toc.hhc
    COMMAND ${CMAKE_COMMAND} -E chdir ${help_project_dir} ${MEMOTAP_CHMCMD} --verbosity 0
            memotap.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${help_project_dir}/help.chm ${help_exe_dir}/help.chm
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${help_pages} ${help_source}/memotap.hhp ${help_source}/toc.hhc
    COMMENT "Compiling help.chm"
    VERBATIM)
add_custom_target(memotap_help ALL DEPENDS ${help_exe_dir}/help.chm ${help_copies})
add_dependencies(memotap memotap_help)

# An installed executable finds both under the share folder (MEMOTAP_HELP_INSTALL_DIR).
install(FILES ${help_exe_dir}/help.chm DESTINATION ${MEMOTAP_HELP_INSTALL_DIR})
install(FILES ${help_copies} DESTINATION ${MEMOTAP_HELP_INSTALL_DIR}/help)
