# Runs the showcase headless into WORK and checks that it ended well and wrote
# pictures of each of the nine transitions and of the polygons.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${SHOWCASE} --shots ${WORK} --every 480 RESULT_VARIABLE result
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the showcase failed (${result}):\n${out}")
endif()
foreach(scene 0_FADE_TO_BLACK 1_FADE_TO_WHITE 2_CLOSE_COLUMNS 3_CLOSE_ROWS 4_DISSOLVE
              5_CLOSE_BOX 6_TINT_BLUE 7_TINT_RED 8_TINT_GREEN 9_POLYGONS)
    file(GLOB pictures ${WORK}/${scene}_*.png)
    if(NOT pictures)
        message(FATAL_ERROR "no picture of ${scene}:\n${out}")
    endif()
endforeach()
