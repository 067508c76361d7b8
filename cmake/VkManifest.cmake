# Embeds an application manifest into a program or library target:
#
#   vk_embed_manifest(<target> PROGRAM|LIBRARY "<description>")
#
# PROGRAM: resource 1 (as the loader reads it from an .exe) from
# manifest/program.manifest.in: asInvoker, Windows 7 to 11, system DPI
# awareness, Common Controls 6. LIBRARY: resource 2 (the id an activation
# context is created from) from manifest/library.manifest.in: Common
# Controls 6 only. Both templates say processorArchitecture="*", so 32-bit
# and 64-bit builds of a target share them.
#
# Exactly one manifest per image: the generated .rc is the only one, and the
# MSVC linker is told not to add its own. (MinGW-w64 adds none here.)
function(vk_embed_manifest target kind description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(_output ${target} OUTPUT_NAME)
  if(NOT _output)
    set(_output ${target})
  endif()
  if(kind STREQUAL "PROGRAM")
    set(VK_MANIFEST_NAME "${_output}.exe")
    set(_template ${VK_MANIFEST_DIR}/program.manifest.in)
    set(_id 1)
  elseif(kind STREQUAL "LIBRARY")
    set(VK_MANIFEST_NAME "${_output}.dll")
    set(_template ${VK_MANIFEST_DIR}/library.manifest.in)
    set(_id 2)
  else()
    message(FATAL_ERROR "vk_embed_manifest: ${kind} is neither PROGRAM nor LIBRARY")
  endif()
  set(VK_MANIFEST_DESCRIPTION "${description}")
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/manifest/${target})
  configure_file(${_template} ${_dir}/${VK_MANIFEST_NAME}.manifest @ONLY)
  # 24 is RT_MANIFEST; the number needs no header. The full path, since
  # resource compilers look for files in their own working folder.
  file(WRITE ${_dir}/manifest.rc.tmp "${_id} 24 \"${_dir}/${VK_MANIFEST_NAME}.manifest\"\n")
  configure_file(${_dir}/manifest.rc.tmp ${_dir}/manifest.rc COPYONLY)
  target_sources(${target} PRIVATE ${_dir}/manifest.rc)
  set_property(SOURCE ${_dir}/manifest.rc APPEND PROPERTY OBJECT_DEPENDS ${_dir}/${VK_MANIFEST_NAME}.manifest)
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
set(VK_MANIFEST_DIR ${CMAKE_CURRENT_LIST_DIR}/manifest)
