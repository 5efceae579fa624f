# What `cmake --install` lays out under the prefix:
#   bin/                       the programs
#   lib/tessaly/               libtsloci.so, the embedded Oracle client as a loadable library
#   share/tessaly/help/        the wizard's help pages
#   share/tessaly/samples/     the sample SQL Server database script
#   share/man/man1/            the manual pages (from docs/man/*.scd)
#   share/applications/, share/icons/hicolor/scalable/apps/   the wizard's menu entry
#   share/bash-completion/completions/                        tessaly's completion
# Nothing here names the build tree: the programs find these files from
# where they run.
include(GNUInstallDirs)

set(TSL_INSTALL_PKGLIBDIR lib/tessaly)
set(TSL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tessaly)

# Everything installed; scripts/package.sh builds this target only.
add_custom_target(tsl_installed)

foreach(program TSLAGENT tslwizard tessaly tsl-mssql tsl-oracle)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    add_dependencies(tsl_installed ${program})
  endif()
endforeach()
# The programs that connect to Oracle find libtsloci.so, when it is named
# without a path, in the prefix they run from. Linked so from the start: a
# path rewritten at install time is padded with empty entries in the build
# tree, and an empty entry makes the loader search the current directory.
foreach(program TSLAGENT tslwizard tessaly)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES
      INSTALL_RPATH "$ORIGIN/../${TSL_INSTALL_PKGLIBDIR}" BUILD_WITH_INSTALL_RPATH ON)
  endif()
endforeach()

if(TARGET tsloci)
  install(TARGETS tsloci LIBRARY DESTINATION ${TSL_INSTALL_PKGLIBDIR})
  add_dependencies(tsl_installed tsloci)
endif()

if(TARGET tslwizard)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/wizard/help/ DESTINATION ${TSL_INSTALL_DATADIR}/help)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tslwizard.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tslwizard.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/embedded/mssql/samples/sample_shop.sql
        DESTINATION ${TSL_INSTALL_DATADIR}/samples)

if(EXISTS ${PROJECT_SOURCE_DIR}/tessaly/completion/tessaly.bash)
  install(FILES ${PROJECT_SOURCE_DIR}/tessaly/completion/tessaly.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tessaly)
endif()

# Manual pages: every docs/man/NAME.SECTION.scd becomes roff NAME.SECTION.
find_program(SCDOC_PROGRAM scdoc)
file(GLOB man_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.scd)
if(man_sources AND NOT SCDOC_PROGRAM)
  message(WARNING "scdoc not found: the manual pages are not built (scripts/install-deps.sh installs it)")
elseif(man_sources)
  set(man_pages)
  foreach(source ${man_sources})
    get_filename_component(page ${source} NAME_WLE)
    string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${page})
    set(out ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh -c "\"$1\" < \"$2\" > \"$3.tmp\" && mv \"$3.tmp\" \"$3\"" scdoc
              ${SCDOC_PROGRAM} ${source} ${out}
      DEPENDS ${source}
      COMMENT "Manual page ${page}"
      VERBATIM)
    list(APPEND man_pages ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endforeach()
  add_custom_target(man ALL DEPENDS ${man_pages})
  add_dependencies(tsl_installed man)
endif()

# The package, unpacked into a scratch root, converts the sample on its own.
# The sanitizer build's programs are not what is shipped.
if(NOT TSL_SANITIZE)
  add_test(NAME package_test
    COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_test PROPERTIES TIMEOUT 300)
endif()
