// Whole-line reader (built with the file readers).
