# Fake plug-ins for testing the validator and the real-time detector: one
# correct build and one per deliberate fault (see fakePlugin.cpp).
# orvalt_fake_plugin(<name> <fault number>) builds fake_<name>.so.
function(orvalt_fake_plugin name fault)
  add_library(fake_${name} MODULE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fakePlugin.cpp)
  target_include_directories(fake_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(fake_${name} PRIVATE FAKE_FAULT=${fault})
  set_target_properties(fake_${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
endfunction()
