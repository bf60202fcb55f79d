# Fails when a source includes a header of a layer above its own: the core
# (src/core) may include neither Qt Gui nor Qt Widgets headers nor the inputs,
# the windows or start-up; the inputs and the windows not start-up, nor each
# other. Fails too when the core waits inside itself: it starts work and
# reacts to its news, so no nested event loop and no blocking wait for
# another process may appear there. Run as: cmake -DSOURCE_DIR=<repo> -DQT_HEADERS=<Qt's include root> -P check-layers.cmake
set(failures "")

function(check_layer folder forbidden_prefixes check_gui)
    file(GLOB_RECURSE sources ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
            foreach(prefix ${forbidden_prefixes})
                if(header MATCHES "^${prefix}/")
                    list(APPEND failures "${source}: ${header}")
                endif()
            endforeach()
            if(check_gui)
                if(header MATCHES "^Qt(Gui|Widgets)/")
                    list(APPEND failures "${source}: ${header}")
                endif()
                foreach(module QtGui QtWidgets)
                    if(header MATCHES "^Q[A-Za-z]+$" AND EXISTS "${QT_HEADERS}/${module}/${header}")
                        list(APPEND failures "${source}: ${header}")
                    endif()
                endforeach()
            endif()
        endforeach()
    endforeach()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

function(check_no_waits folder)
    file(GLOB_RECURSE sources ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} lines
             REGEX "QEventLoop|processEvents|waitForFinished|[.>]exec\\(")
        foreach(line ${lines})
            string(STRIP "${line}" line)
            list(APPEND failures "${source}: waits: ${line}")
        endforeach()
    endforeach()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

check_layer(core "ui;inputs;app" TRUE)
check_no_waits(core)
check_layer(inputs "ui;app" FALSE)
check_layer(ui "inputs;app" FALSE)

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "Reaching a layer above, or waiting in the core:\n  ${text}")
endif()
