# Installs the development component of the build BUILD into WORK and builds
# the program beside this script against it.
#   cmake -DBUILD=build -DWORK=dir -DGENERATOR=Ninja -DCXX=g++ [-DFLAGS=...] -P check.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --component development
                        --prefix ${WORK}/prefix
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${WORK}/build
                        -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_CXX_FLAGS=${FLAGS}
                        -DCMAKE_PREFIX_PATH=${WORK}/prefix
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK}/build/user COMMAND_ERROR_IS_FATAL ANY)
