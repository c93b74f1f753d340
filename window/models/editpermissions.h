#pragma once

// What the user may do to the rows on show: "Gestione" allows all three, every other
// listing none. The grid keeps the one copy across the results it binds; its model
// reads it there.
struct EditPermissions {
    bool addNew = false;
    bool remove = false;
    bool update = false;
};
