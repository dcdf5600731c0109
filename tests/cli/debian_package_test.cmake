# Builds the Debian package from the build tree with CPack and checks its name, its contents
# and that dpkg-shlibdeps filled in the dependencies.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DVERSION=<x.y> -P debian_package_test.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND cpack -G DEB -B ${WORK_DIR} --config ${BUILD_DIR}/CPackConfig.cmake
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/zendavo_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  file(GLOB made ${WORK_DIR}/*.deb)
  message(FATAL_ERROR "expected ${deb}, cpack made: ${made}")
endif()

execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE contents RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed on ${deb}")
endif()
foreach(path
    ./usr/bin/zendavo
    ./usr/bin/zendavo-cli
    ./usr/share/applications/zendavo.desktop
    ./usr/share/icons/hicolor/128x128/apps/zendavo.png
    ./usr/share/man/man1/zendavo-cli.1.gz
    ./usr/share/locale/zh_CN/LC_MESSAGES/zendavo.mo)
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${path} missing from the package:\n${contents}")
  endif()
endforeach()
foreach(path ./usr/bin/zendavo-screenshots ./usr/bin/zendavo-photo-gen)
  string(FIND "${contents}" " ${path}\n" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${path} is for developers and must not be packaged")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${deb} Package Version Architecture Depends OUTPUT_VARIABLE fields)
foreach(expected "Package: zendavo" "Version: ${VERSION}" "Architecture: ${arch}" "libc6" "libjpeg" "libpng"
                 "libqt6widgets6" "qt6-qpa-plugins")
  string(FIND "${fields}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "'${expected}' not in the control fields:\n${fields}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "${deb}: every file and dependency in place")
