# Optional Authenticode signing of the program after every link.
#   -DSETUP_SIGN_CERT=cert.pem -DSETUP_SIGN_KEY=key.pem
include_guard(GLOBAL)

set(SETUP_SIGN_CERT "" CACHE FILEPATH "PEM certificate (chain) to sign the program with")
set(SETUP_SIGN_KEY "" CACHE FILEPATH "PEM private key of that certificate")

function(setup_sign_program target)
  if(NOT SETUP_SIGN_CERT AND NOT SETUP_SIGN_KEY)
    return()
  endif()
  if(NOT SETUP_SIGN_CERT OR NOT SETUP_SIGN_KEY)
    message(FATAL_ERROR "Signing needs both SETUP_SIGN_CERT and SETUP_SIGN_KEY")
  endif()
  foreach(file IN ITEMS "${SETUP_SIGN_CERT}" "${SETUP_SIGN_KEY}")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "Signing: ${file} does not exist")
    endif()
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/sign" "${SETUP_SIGN_CERT}" "${SETUP_SIGN_KEY}"
            "$<TARGET_FILE:${target}>"
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
