// Placeholder until the graphics module lands.
