# The sizes the program's icon is drawn at, in pixels (scripts/icons reads this line too).
set(VELKARO_ICON_SIZES 16 24 32 48 64 128 256)
# The canon search's icon, drawn for the button in the search box (scripts/icons reads it).
set(VELKARO_CANON_SEARCH_ICON_SIZES 16 24 32 48 64)
