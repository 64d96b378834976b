# Stages the package and zips it (cmake -P). Variables: SOURCE (this folder), STAGE (a scratch
# folder), OUTPUT (the .rbz), LIBS (a list of RUBY_PLATFORM/major.minor=path entries; each
# library's vistrel_instancing.so beside it goes in too).
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${SOURCE}/vistrel_exporter.rb ${SOURCE}/vistrel_exporter DESTINATION ${STAGE})
foreach(entry IN LISTS LIBS)
  if(NOT entry MATCHES "^([^=/]+/[0-9]+\\.[0-9]+)=(.+)$")
    message(FATAL_ERROR "package library entry '${entry}' is not RUBY_PLATFORM/major.minor=path")
  endif()
  set(slot ${CMAKE_MATCH_1})
  set(library ${CMAKE_MATCH_2})
  if(NOT EXISTS ${library})
    message(FATAL_ERROR "package library for ${slot} not found: ${library}")
  endif()
  file(MAKE_DIRECTORY ${STAGE}/vistrel_exporter/lib/${slot})
  file(COPY_FILE ${library} ${STAGE}/vistrel_exporter/lib/${slot}/vistrel_sketchup_plugin.so)
  # The companion extension for definitions, where that build made it.
  get_filename_component(folder ${library} DIRECTORY)
  if(EXISTS ${folder}/vistrel_instancing.so)
    file(COPY_FILE ${folder}/vistrel_instancing.so ${STAGE}/vistrel_exporter/lib/${slot}/vistrel_instancing.so)
  endif()
endforeach()
file(REMOVE ${OUTPUT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip vistrel_exporter.rb vistrel_exporter
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
