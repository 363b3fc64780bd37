// Win32 backends of the platform interfaces.
