// The patch operation lives in this folder.
