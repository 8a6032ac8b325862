# Zips a skin folder at build time, for embedding as the "ZIPRES" resource.
#
#   jf_skin_zip(<target> FOLDER <folder> OUTPUT <variable> [NAME <file name>])
#
# Makes the custom target <target>, which writes <binary dir>/<file name> (default
# <target>.zip) from every file directly inside <folder> (entries at the archive's root,
# sorted, with a fixed time stamp so that the bytes depend only on the files), and sets
# <variable> in the caller's scope to that path. The archive is rebuilt when a file changes;
# adding a file reconfigures (CONFIGURE_DEPENDS). Usage:
#
#   jf_skin_zip(jfinstall_skin FOLDER ${PROJECT_SOURCE_DIR}/app/skin OUTPUT skin_zip)
#   jf_embed_resources(jfinstall RESOURCE ZIPRES 150 ${skin_zip} ...)
#   add_dependencies(jfinstall jfinstall_skin)
function(jf_skin_zip target)
  cmake_parse_arguments(Z "" "FOLDER;OUTPUT;NAME" "" ${ARGN})
  if(NOT Z_FOLDER OR NOT Z_OUTPUT)
    message(FATAL_ERROR "jf_skin_zip: FOLDER and OUTPUT are required")
  endif()
  get_filename_component(folder "${Z_FOLDER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT Z_NAME)
    set(Z_NAME "${target}.zip")
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${Z_NAME}")
  file(GLOB files LIST_DIRECTORIES false CONFIGURE_DEPENDS RELATIVE "${folder}" "${folder}/*")
  list(SORT files)
  if(NOT files)
    message(FATAL_ERROR "jf_skin_zip: ${folder} holds no files")
  endif()
  set(deps)
  foreach(f ${files})
    list(APPEND deps "${folder}/${f}")
  endforeach()
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${out}"
    COMMAND ${CMAKE_COMMAND} -E chdir "${folder}"
            ${CMAKE_COMMAND} -E tar cf "${out}" --format=zip "--mtime=2020-01-01 00:00:00 UTC" -- ${files}
    DEPENDS ${deps}
    COMMENT "Zipping the skin ${folder}"
    VERBATIM)
  add_custom_target(${target} DEPENDS "${out}")
  set(${Z_OUTPUT} "${out}" PARENT_SCOPE)
endfunction()
