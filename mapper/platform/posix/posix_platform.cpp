// Stand-alone backends of the platform interfaces, for builds without Windows.
