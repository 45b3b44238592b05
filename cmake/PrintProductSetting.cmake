# Prints one setting of a product settings file on a line of its own, read
# as the build reads it (cmake/ProductSettings.cmake includes the same file):
#   cmake -DPRODUCT_SETTINGS=FILE -DNAME=PRODUCT_HOME_PAGE_ENGLISH -P cmake/PrintProductSetting.cmake
# The scripts call it through product_setting (scripts/configure-build.sh).
if(NOT DEFINED PRODUCT_SETTINGS OR NOT DEFINED NAME)
  message(FATAL_ERROR "usage: cmake -DPRODUCT_SETTINGS=FILE -DNAME=SETTING -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
unset(${NAME})
include("${PRODUCT_SETTINGS}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${${NAME}}")
