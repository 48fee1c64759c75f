# Makes a delay-load import library for one system DLL from the toolchain's
# ordinary import library: every function the import library offers, bound
# on its first call instead of when the program starts.
#
#   cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIBRARY=libuser32.a -DDLL=user32.dll
#         -DDEF=user32.def -DOUTPUT=libuser32_delay.a -P delay-import.cmake
foreach(var NM DLLTOOL IMPORT_LIBRARY DLL DEF OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "delay-import.cmake: ${var} is not set")
    endif()
endforeach()

execute_process(COMMAND ${NM} ${IMPORT_LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} ${IMPORT_LIBRARY} failed")
endif()
# Each imported function has its import address slot, "__imp__Name@N" on
# 32-bit Windows; the definition names it "Name@N" and dlltool -k drops the
# "@N" from the name looked up in the DLL.
string(REGEX MATCHALL "[0-9a-f]+ I __imp__[^\n]+" slots "${symbols}")
set(names "")
foreach(slot IN LISTS slots)
    string(REGEX REPLACE "^[0-9a-f]+ I __imp__" "" name "${slot}")
    list(APPEND names "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
if(NOT names)
    message(FATAL_ERROR "${IMPORT_LIBRARY} imports no functions")
endif()
list(JOIN names "\n    " exports)
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n    ${exports}\n")

file(REMOVE ${OUTPUT})
# dlltool names its symbols after the output as given: a bare file name, so
# that no build folder goes into them.
get_filename_component(folder ${OUTPUT} DIRECTORY)
get_filename_component(library ${OUTPUT} NAME)
execute_process(COMMAND ${DLLTOOL} -k --input-def ${DEF} --dllname ${DLL} --output-delaylib ${library}
                WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
