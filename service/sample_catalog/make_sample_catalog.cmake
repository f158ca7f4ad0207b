# Builds the sample catalogue of tessaro-service from Debian's free fonts, without the network:
#   cmake -DSOURCE=<this folder> -DOUT=<catalogue folder> -DSTAGE=<scratch folder>
#         -DDEJAVU=<fonts-dejavu-core folder> -DLIBERATION=<fonts-liberation2 folder> -P <this file>
# Each font package is a ZIP archive, as the font service ships them; LiberationSans.zip holds a
# folder with a licence text and two fonts, like many real font packages.
foreach(var SOURCE OUT STAGE DEJAVU LIBERATION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_sample_catalog: -D${var}=... is required")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT} ${STAGE})
file(MAKE_DIRECTORY ${OUT}/fonts ${STAGE})

# zip(NAME FILE...): OUT/fonts/NAME.zip from STAGE/NAME/FILE..., stored under the names FILE...
function(zip name)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}/fonts/${name}.zip --format=zip --mtime=2024-01-01 ${ARGN}
    WORKING_DIRECTORY ${STAGE}/${name} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "make_sample_catalog: cannot write ${OUT}/fonts/${name}.zip")
  endif()
endfunction()

# stage(NAME SOURCE_FILE INNER_PATH): copies a file into the staging folder of package NAME.
function(stage name source inner)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "make_sample_catalog: ${source} is missing (bash scripts/setup.sh installs it)")
  endif()
  get_filename_component(dir ${STAGE}/${name}/${inner} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  file(COPY_FILE ${source} ${STAGE}/${name}/${inner})
endfunction()

foreach(face DejaVuSans DejaVuSans-Bold DejaVuSerif)
  stage(${face} ${DEJAVU}/${face}.ttf ${face}.ttf)
  zip(${face} ${face}.ttf)
endforeach()

stage(LiberationSans ${SOURCE}/LICENSE-Liberation.txt LiberationSans/LICENSE.txt)
stage(LiberationSans ${LIBERATION}/LiberationSans-Regular.ttf LiberationSans/LiberationSans-Regular.ttf)
stage(LiberationSans ${LIBERATION}/LiberationSans-Bold.ttf LiberationSans/LiberationSans-Bold.ttf)
zip(LiberationSans LiberationSans/LICENSE.txt LiberationSans/LiberationSans-Regular.ttf
    LiberationSans/LiberationSans-Bold.ttf)

stage(LiberationMono ${LIBERATION}/LiberationMono-Regular.ttf LiberationMono-Regular.ttf)
zip(LiberationMono LiberationMono-Regular.ttf)

# The update archive: "setup" at its top level, as the client expects of an update.
file(MAKE_DIRECTORY ${STAGE}/update)
file(COPY_FILE ${SOURCE}/setup ${STAGE}/update/setup)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}/TessaroPc-1.30.zip --format=zip --mtime=2024-01-01 setup
  WORKING_DIRECTORY ${STAGE}/update RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "make_sample_catalog: cannot write ${OUT}/TessaroPc-1.30.zip")
endif()

file(COPY_FILE ${SOURCE}/catalog.json ${OUT}/catalog.json)
file(REMOVE_RECURSE ${STAGE})
