# Stages the package and zips it (cmake -P). Variables: SOURCE (this folder), STAGE (a scratch
# folder), OUTPUT (the .rbz), LIBS (a list of <system>/<major.minor>=path entries). A library
# keeps its file extension: .so, or .bundle for macOS.
if(NOT LIBS)
  message(FATAL_ERROR "no native library for the package")
endif()
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${SOURCE}/vistrel_exporter.rb ${SOURCE}/vistrel_exporter DESTINATION ${STAGE})
foreach(entry IN LISTS LIBS)
  if(NOT entry MATCHES "^([^=/]+/[0-9]+\\.[0-9]+)=(.+)$")
    message(FATAL_ERROR "package library entry '${entry}' is not <system>/<major.minor>=path")
  endif()
  set(slot ${CMAKE_MATCH_1})
  set(library ${CMAKE_MATCH_2})
  if(NOT EXISTS ${library})
    message(FATAL_ERROR "package library for ${slot} not found: ${library}")
  endif()
  file(MAKE_DIRECTORY ${STAGE}/vistrel_exporter/lib/${slot})
  get_filename_component(extension ${library} LAST_EXT)
  file(COPY_FILE ${library} ${STAGE}/vistrel_exporter/lib/${slot}/vistrel_sketchup_plugin${extension})
endforeach()
file(REMOVE ${OUTPUT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip vistrel_exporter.rb vistrel_exporter
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
