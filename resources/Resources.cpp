// Anchor of the resource library; the pictures themselves are added with qt_add_resources.
