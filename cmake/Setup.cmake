# vireo-setup, the per-user installer.
