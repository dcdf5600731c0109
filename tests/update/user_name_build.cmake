# Configures the project in a scratch folder with one update user name and builds only the
# update library, warnings as errors: a user's setting must never break the build.
# cmake -DSOURCE=... -DBINARY=... -DUSER=... -DCXX=... [-DLAUNCHER=...] [-DBUILD_TYPE=...] -P this
file(REMOVE_RECURSE "${BINARY}")
set(args -S "${SOURCE}" -B "${BINARY}" -G Ninja
  -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  -DZENDAVO_WERROR=ON -DZENDAVO_BUILD_GUI=OFF -DZENDAVO_BUILD_TESTS=OFF
  -DZENDAVO_BUILD_BENCH=OFF -DZENDAVO_BUILD_FUZZ=OFF
  "-DZENDAVO_UPDATE_HOST=${USER}" "-DZENDAVO_UPDATE_USER=${USER}" "-DZENDAVO_UPDATE_PASSWORD=${USER}")
if(LAUNCHER)
  list(APPEND args -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} ${args} RESULT_VARIABLE configured OUTPUT_QUIET)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring with user '${USER}' failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY}" --target zendavo_update
                RESULT_VARIABLE built)
file(REMOVE_RECURSE "${BINARY}")
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the update library with user '${USER}' failed")
endif()
