-- The per-user settings database ("local.mdb"). Vantora maintains it; the integrator
-- only reads the row SubMain/DatabaseFile, whose Value is the Vantora database path.
CREATE TABLE settings (
  id INTEGER PRIMARY KEY,
  form TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  Value TEXT COLLATE NOCASE
);
INSERT INTO settings (form, Description, Value) VALUES ('SubMain', 'DatabaseFile', NULL);
