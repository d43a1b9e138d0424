# The bitmap fonts, converted from their BDF files by tools/fontc at build time. The
# system font is a 14-pixel bold; the dialog font an 11-pixel regular given one extra row
# of leading, for a 13-row cell like the 8-point dialog font that templates are laid out for.
set(KLOP_FONT_BDFS ${CMAKE_CURRENT_SOURCE_DIR}/fonts/helvB10-ISO8859-1.bdf
                   ${CMAKE_CURRENT_SOURCE_DIR}/fonts/helvR08-ISO8859-1.bdf)
set(KLOP_FONT_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/font_data.cpp)
add_custom_command(
  OUTPUT ${KLOP_FONT_SOURCE}
  COMMAND klop_fontc ${KLOP_FONT_SOURCE}
          kSystemFontData ${CMAKE_CURRENT_SOURCE_DIR}/fonts/helvB10-ISO8859-1.bdf 0
          kDialogFontData ${CMAKE_CURRENT_SOURCE_DIR}/fonts/helvR08-ISO8859-1.bdf 1
  DEPENDS klop_fontc ${KLOP_FONT_BDFS}
  COMMENT "Converting the bitmap fonts"
  VERBATIM)
set_source_files_properties(${KLOP_FONT_SOURCE} PROPERTIES GENERATED TRUE)
list(APPEND KLOP_PLATFORM_SOURCES font.cpp ${KLOP_FONT_SOURCE})
