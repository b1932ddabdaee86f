# What a Windows build of Velmora adds to its programs and ships them in: the icon, the manifest and
# the version information compiled into the .exe (windres or rc), release builds without their
# symbols, and the MSI that wixl makes of them.
enable_language(RC)

set(VELMORA_WINDOWS_RESOURCES ${CMAKE_SOURCE_DIR}/resources/windows)
set(VELMORA_VERSION4 "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
string(REPLACE "." "," VELMORA_VERSION_COMMAS "${VELMORA_VERSION4}")
set(VELMORA_MANIFEST ${CMAKE_BINARY_DIR}/windows/velmora.exe.manifest)
configure_file(${VELMORA_WINDOWS_RESOURCES}/velmora.exe.manifest.in ${VELMORA_MANIFEST} @ONLY)
configure_file(${VELMORA_WINDOWS_RESOURCES}/velmora.rc.in ${CMAKE_BINARY_DIR}/windows/velmora.rc @ONLY)

# The program's icon, manifest and version in target; a release build leaves the symbols out.
function(velmora_windows_program target)
    target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/windows/velmora.rc)
    set_property(SOURCE ${CMAKE_BINARY_DIR}/windows/velmora.rc APPEND PROPERTY OBJECT_DEPENDS
        ${VELMORA_MANIFEST} ${VELMORA_WINDOWS_RESOURCES}/velmora.ico)
    if(MSVC)
        # The manifest is the resource's: the linker must not make another.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    else()
        target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
    endif()
endfunction()

# velmora-VERSION-x64.msi in the build folder, made by wixl from resources/windows/velmora.wxs with the
# program target: the target velmora-msi, part of every build where wixl is found.
function(velmora_windows_installer target)
    find_program(VELMORA_WIXL wixl)
    if(NOT VELMORA_WIXL)
        add_custom_target(velmora-msi COMMAND ${CMAKE_COMMAND} -E echo
            "No MSI: wixl is not installed (scripts/install-deps.sh windows installs it)")
        return()
    endif()
    set(msi ${CMAKE_BINARY_DIR}/velmora-${PROJECT_VERSION}-x64.msi)
    set(wxs ${VELMORA_WINDOWS_RESOURCES}/velmora.wxs)
    # wixl finds its files only by paths relative to where it runs: the build folder, which holds the
    # program (see RUNTIME_OUTPUT_DIRECTORY).
    file(RELATIVE_PATH source ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
    add_custom_command(OUTPUT ${msi}
        COMMAND ${VELMORA_WIXL} --arch x64 -D Version=${PROJECT_VERSION} -D Program=$<TARGET_FILE_NAME:${target}>
            -D Console=$<IF:$<TARGET_EXISTS:velmora-console>,velmora.com,>
            -D Icon=${source}/resources/windows/velmora.ico -D License=${source}/LICENSE
            -D Readme=${source}/README.md -o ${msi} ${wxs}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        DEPENDS ${target} $<$<TARGET_EXISTS:velmora-console>:velmora-console> ${wxs} ${VELMORA_WINDOWS_RESOURCES}/velmora.ico ${CMAKE_SOURCE_DIR}/LICENSE
            ${CMAKE_SOURCE_DIR}/README.md
        COMMENT "Making the MSI with wixl" VERBATIM)
    add_custom_target(velmora-msi ALL DEPENDS ${msi})
    set(VELMORA_MSI ${msi} PARENT_SCOPE)
endfunction()
