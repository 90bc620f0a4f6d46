# Installs the build into a scratch prefix and checks the layout:
# PREFIX/bin/Velmora with its lowercase link bin/velmora, the man page
# PREFIX/share/man/man1/Velmora.1 naming every option, and the BED column
# descriptions in PREFIX/share/velmora.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file bin/Velmora bin/velmora share/man/man1/Velmora.1 share/velmora/velmora_modules.as
             share/velmora/velmora_modules_p.as share/velmora/velmora_sites.as)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()
file(READ "${PREFIX}/share/man/man1/Velmora.1" page)
foreach(option "B \\-i" "B \\-M" "BI \\-o" "BR \\-r" "BI \\-K" "BI \\-L" "BI \\-x"
               "B \\-\\-bed" "B \\-\\-quiet" "BR \\-h \", \" \\-\\-help" "B \\-\\-version"
               "BR \\-t \", \" \\-\\-threads" "BI \\-\\-motifs" "BI \\-\\-svg" "B \\-\\-overwrite"
               "B \\-\\-one\\-based" "B \\-\\-summary" "BI \\-\\-null" "BI \\-\\-seed")
  string(FIND "${page}" ".${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page does not describe .${option}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "install layout and man page options are in place")
