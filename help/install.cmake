# Install rules for the help book: the project, contents and index files and
# the pages, into <prefix>/share/quarvel/help, where the Help command looks for
# the book beside the installed program. Paths are taken from this file's own
# folder, so it works wherever it is included.
include(GNUInstallDirs)

install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quarvel/help
        FILES_MATCHING
        PATTERN "*.hhp"
        PATTERN "*.hhc"
        PATTERN "*.hhk"
        PATTERN "*.html"
        PATTERN "*.png")
