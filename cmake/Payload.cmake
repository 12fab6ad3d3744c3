# The installer's application payload, for the Windows builds.
#
# With SETUP_PAYLOAD naming the vendor's archive, that archive is checked now, at configure
# time, and used as is. Without it, a sample archive of the same layout is built from the
# stand-in programs in tools/standins at build time. Either way the caller gets
#   SETUP_PAYLOAD_FILE  the archive to embed
#   sample_payload      a target to depend on (empty when the vendor archive is used).
#
# The payload tools are host programs, so they are configured and built here as a separate
# native project; the cross toolchain must not leak into it.

include_guard(GLOBAL)

set(SETUP_PAYLOAD "" CACHE FILEPATH
    "Vendor application payload (password-protected ZIP archive); empty builds a sample one")

# The installer starts the probe after extraction and launches the main program by this name.
set(SETUP_PAYLOAD_REQUIRED_ENTRIES
    "duzozudiv/zerarivur.exe"
    "duzozudiv/澄岚汽车用品销售工作系统.exe")

cmake_path(SET _payload_tools_source NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../tools/payload")
set(_payload_tools_build "${CMAKE_BINARY_DIR}/host-tools")
set(_payload_exe_suffix "")
if(CMAKE_HOST_WIN32)
  set(_payload_exe_suffix ".exe")
endif()
set(_payload_make "${_payload_tools_build}/make_sample_payload${_payload_exe_suffix}")
set(_payload_check "${_payload_tools_build}/check_payload${_payload_exe_suffix}")

set(_payload_generator_args -G "${CMAKE_GENERATOR}")
if(CMAKE_MAKE_PROGRAM)
  list(APPEND _payload_generator_args "-DCMAKE_MAKE_PROGRAM=${CMAKE_MAKE_PROGRAM}")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env
          --unset=CC --unset=CXX --unset=CFLAGS --unset=CXXFLAGS --unset=LDFLAGS
          --unset=CMAKE_TOOLCHAIN_FILE
          "${CMAKE_COMMAND}" -S "${_payload_tools_source}" -B "${_payload_tools_build}"
          ${_payload_generator_args} -DCMAKE_BUILD_TYPE=Release -DPAYLOAD_TOOLS_TESTS=OFF
  RESULT_VARIABLE _payload_result
  OUTPUT_VARIABLE _payload_output
  ERROR_VARIABLE _payload_output)
if(NOT _payload_result EQUAL 0)
  message(FATAL_ERROR
    "Configuring the payload host tools (${_payload_tools_source}) with the native compiler "
    "failed:\n${_payload_output}")
endif()
cmake_host_system_information(RESULT _payload_jobs QUERY NUMBER_OF_LOGICAL_CORES)
execute_process(
  COMMAND "${CMAKE_COMMAND}" --build "${_payload_tools_build}"
          --target make_sample_payload check_payload --parallel ${_payload_jobs}
  RESULT_VARIABLE _payload_result
  OUTPUT_VARIABLE _payload_output
  ERROR_VARIABLE _payload_output)
if(NOT _payload_result EQUAL 0)
  message(FATAL_ERROR "Building the payload host tools in ${_payload_tools_build} failed:\n"
                      "${_payload_output}")
endif()

if(SETUP_PAYLOAD)
  execute_process(
    COMMAND "${_payload_check}" "${SETUP_PAYLOAD}" ${SETUP_PAYLOAD_REQUIRED_ENTRIES}
    RESULT_VARIABLE _payload_result
    OUTPUT_VARIABLE _payload_output
    ERROR_VARIABLE _payload_error
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT _payload_result EQUAL 0)
    message(FATAL_ERROR "SETUP_PAYLOAD is not usable: ${_payload_error}")
  endif()
  message(STATUS "${_payload_output}")
  # A replaced archive is checked again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${SETUP_PAYLOAD}")
  set(SETUP_PAYLOAD_FILE "${SETUP_PAYLOAD}")
  if(NOT TARGET sample_payload)
    add_custom_target(sample_payload)
  endif()
else()
  if(NOT WIN32)
    message(FATAL_ERROR "The sample payload needs the Windows stand-in programs; configure "
                        "with a Windows toolchain or set SETUP_PAYLOAD")
  endif()
  if(NOT TARGET standin_app_main OR NOT TARGET standin_zerarivur)
    add_subdirectory("${CMAKE_CURRENT_LIST_DIR}/../tools/standins"
                     "${CMAKE_BINARY_DIR}/tools/standins")
  endif()

  # Brings the tools up to date at build time too, so edits to them need no re-configure.
  add_custom_target(payload_host_tools
    COMMAND "${CMAKE_COMMAND}" --build "${_payload_tools_build}"
            --target make_sample_payload check_payload
    BYPRODUCTS "${_payload_make}" "${_payload_check}"
    COMMENT "Updating the payload host tools"
    VERBATIM)

  # Checked under a temporary name so a refused archive never looks up to date.
  set(SETUP_PAYLOAD_FILE "${CMAKE_BINARY_DIR}/payload/duzozudiv.zip")
  add_custom_command(
    OUTPUT "${SETUP_PAYLOAD_FILE}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/payload"
    COMMAND "${_payload_make}" "${SETUP_PAYLOAD_FILE}.unchecked"
            "$<TARGET_FILE:standin_app_main>" "$<TARGET_FILE:standin_zerarivur>"
    COMMAND "${_payload_check}" "${SETUP_PAYLOAD_FILE}.unchecked"
            ${SETUP_PAYLOAD_REQUIRED_ENTRIES}
    COMMAND "${CMAKE_COMMAND}" -E rename "${SETUP_PAYLOAD_FILE}.unchecked"
            "${SETUP_PAYLOAD_FILE}"
    DEPENDS standin_app_main standin_zerarivur "${_payload_make}" "${_payload_check}"
    COMMENT "Building the sample application payload"
    VERBATIM)
  add_custom_target(sample_payload DEPENDS "${SETUP_PAYLOAD_FILE}")
  add_dependencies(sample_payload payload_host_tools)
endif()
