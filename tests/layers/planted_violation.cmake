# Plants core files that reach up (a widget header, a window header) or wait
# inside themselves in a scratch tree and expects the layer check to refuse
# each.

# Fails with what unless the layer check refuses a core file of content.
function(expect_refused content what)
    file(REMOVE_RECURSE ${WORK})
    file(WRITE ${WORK}/src/core/planted.cpp "${content}")
    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK} -DQT_HEADERS=${QT_HEADERS}
                            -P ${CHECK}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    if(result EQUAL 0 OR NOT errors MATCHES "planted.cpp")
        message(FATAL_ERROR "${what}")
    endif()
endfunction()

foreach(include "<QWidget>" "<QtWidgets/QPushButton>" "\"ui/frmMain.h\"" "<QClipboard>")
    expect_refused("#include <QString>\n#include ${include}\n"
                   "the layer check let ${include} into the core")
endforeach()
file(WRITE ${WORK}/src/core/planted.cpp "#include <QString>\n#include \"core/modMain.h\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK} -DQT_HEADERS=${QT_HEADERS} -P ${CHECK}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the layer check refused a core file that stays in its layer")
endif()

# A core that waits inside itself is refused too.
foreach(wait "QEventLoop loop;" "loop.exec();" "QCoreApplication::processEvents();"
             "process.waitForFinished(1000);")
    expect_refused("#include <QString>\nvoid f() { ${wait} }\n"
                   "the layer check let a core file wait: ${wait}")
endforeach()
