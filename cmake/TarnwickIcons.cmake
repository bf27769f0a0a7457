# The program's icon: data/icons/<id>.svg is drawn by hand; the PNG sizes
# desktops ask for are rendered from it at build time with rsvg-convert
# (Debian package librsvg2-bin), into the build tree's data/icons/hicolor.
# data/CMakeLists.txt renders and installs them; the window bundles them as
# its fallback icon (src/ui).

set(TARNWICK_ICON_SVG "${CMAKE_SOURCE_DIR}/data/icons/${TARNWICK_APP_ID}.svg")
set(TARNWICK_ICON_SIZES 16 24 32 48 64 128 256)
set(TARNWICK_ICON_ROOT "${CMAKE_BINARY_DIR}/data/icons")
set(TARNWICK_ICON_PNGS)

find_program(TARNWICK_RSVG_CONVERT rsvg-convert)
if(TARNWICK_RSVG_CONVERT)
  foreach(size IN LISTS TARNWICK_ICON_SIZES)
    list(APPEND TARNWICK_ICON_PNGS
         "${TARNWICK_ICON_ROOT}/hicolor/${size}x${size}/apps/${TARNWICK_APP_ID}.png")
  endforeach()
else()
  message(WARNING "rsvg-convert (Debian package librsvg2-bin, see scripts/packages.txt) "
                  "was not found: the PNG icons are not rendered, the install carries the "
                  "scalable icon only, and the window has no icon of its own to fall back on.")
endif()
