# Placeholder until the version section lands: the function exists so that
# executables can already call it.
function(hw_add_version_section target)
endfunction()
