// Placeholder until the table layer lands.
