# The programs link mimalloc, which replaces malloc and operator new for the whole process:
# the engine library, assimp and the C++ runtime allocate through it too. Model import is
# dominated by millions of small allocations, where it is much faster than glibc's malloc.
# Only programs link it; the engine library leaves a host's allocator alone. Sanitizer builds
# keep the system allocator, which the sanitizers replace themselves.
if(VORNIS_SANITIZE)
  set(VORNIS_PROGRAM_ALLOCATOR OFF)
else()
  option(VORNIS_PROGRAM_ALLOCATOR "Link the programs with mimalloc" ON)
endif()
if(VORNIS_PROGRAM_ALLOCATOR)
  find_package(mimalloc CONFIG REQUIRED)
endif()

# Makes `target` allocate through mimalloc when the build uses it.
function(vornis_program_allocator target)
  if(VORNIS_PROGRAM_ALLOCATOR)
    target_link_libraries(${target} PRIVATE mimalloc)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/allocator/ProgramAllocatorOptions.cpp)
    # Nothing calls mimalloc by name: it must stay linked for its malloc to take over.
    target_link_options(${target} PRIVATE "LINKER:--no-as-needed")
  endif()
endfunction()
