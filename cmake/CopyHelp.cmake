# cmake -DHELP=<pages> -DDOCS=<pictures> -DDEST=<folder> -P CopyHelp.cmake
# The help as installed (pages, and the pictures below images/), in the build tree.
file(COPY ${HELP}/ DESTINATION ${DEST})
file(GLOB pictures ${DOCS}/*.png)
if(pictures)
    file(COPY ${pictures} DESTINATION ${DEST}/images)
endif()
