// The application key of every Tilebox program: the profile store selects it ("Velnor\Tilebox"),
// and the registry holds it below Software, in HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. Spelled
// here once for the menu, the skin checker and the skin maker (the installer, a script of its
// own, spells it in its header).
#pragma once

#define TILEBOX_APPLICATION_KEY "Velnor\\Tilebox"
#define TILEBOX_SETTINGS_PATH "Software\\" TILEBOX_APPLICATION_KEY
